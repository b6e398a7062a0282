#include "Diesel_SK.h"

RAVNA_SKELETON_DEFINITION(Diesel_SK, "Diesel", 150, 20)
