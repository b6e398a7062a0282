#include "Automat_SK.h"

RAVNA_SKELETON_DEFINITION(Automat_SK, "Automat", 150, 20)
