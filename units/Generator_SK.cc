#include "Generator_SK.h"

RAVNA_SKELETON_DEFINITION(Generator_SK, "Generator", 200, 20)
