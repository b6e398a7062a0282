#include "PriorityController_SK.h"

RAVNA_SKELETON_DEFINITION(PriorityController_SK, "PriorityController", 200, 30)
