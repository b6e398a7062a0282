#include "SEES_SK.h"

// A station whose node names no shared-memory test sensor waits on its start button.
RAVNA_SKELETON_DEFINITION(SEES_SK, "SEES", 150, 30, "DG_Start_s")
