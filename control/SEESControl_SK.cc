#include "SEESControl_SK.h"

// Without a test sensor of its own, the supervision waits for the remote-control switch.
RAVNA_SKELETON_DEFINITION(SEESControl_SK, "SEESControl", 200, 30, "QG_RemoteControl_S")
