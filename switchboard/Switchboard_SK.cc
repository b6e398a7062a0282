#include "Switchboard_SK.h"

RAVNA_SKELETON_DEFINITION(Switchboard_SK, "Switchboard", 130, 5)
