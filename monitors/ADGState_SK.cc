#include "ADGState_SK.h"

#include "DebugStream.h"

using namespace UniSetTypes;

RAVNA_SKELETON_DEFINITION(ADGState_SK, "ADGState", 300, 30)

bool ADGState_SK::alarm(ObjectId code, bool state)
{
    if (code == DefaultObjectId)
    {
        unideb.crit() << getName() << "(alarm): попытка послать сообщение с DefaultObjectId" << std::endl;
        return false;
    }
    // One whole line, whatever levels are on: a half line would run into the next one.
    unideb.level1() << getName() << "(alarm): " << (state ? "SEND (" : "RESET (") << code << ")"
                    << " not found MessgeOID?!!" << std::endl;
    return false;
}
