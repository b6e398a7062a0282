#include "AState_SK.h"

RAVNA_SKELETON_DEFINITION(AState_SK, "AState", 150, 20)
