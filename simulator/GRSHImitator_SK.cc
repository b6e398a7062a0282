#include "GRSHImitator_SK.h"

RAVNA_SKELETON_DEFINITION(GRSHImitator_SK, "GRSHImitator", 130, 5)
