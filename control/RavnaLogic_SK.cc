#include "RavnaLogic_SK.h"

RAVNA_SKELETON_DEFINITION(RavnaLogic_SK, "RavnaLogic", 150, 30)
