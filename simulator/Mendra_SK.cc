#include "Mendra_SK.h"

RAVNA_SKELETON_DEFINITION(Mendra_SK, "Mendra", 130, 5)
