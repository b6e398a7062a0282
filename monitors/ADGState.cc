#include "ADGState.h"

#include "Exceptions.h"

using namespace UniSetTypes;

ADGState::ADGState(ObjectId id, xmlNode* cnode) : ADGState_SK(id, cnode)
{
    if (!cnode)
        throw Exception(getName() + ": FAILED! not found confnode in confile!");
}

ADGState::ADGState() : ADGState_SK() {}

ADGState::~ADGState() = default;

void ADGState::step()
{
    if (in_902 || in_10102 || in_10103)
    {
        out_ADG_State_AS = stFault;
        out_ADG_Generator_State_AS = stFault;
    }
    else if (in_903)
    {
        out_ADG_Generator_State_AS = stOn;
        out_ADG_State_AS = in_10101 ? stOn : stRunning;
    }
    else
    {
        out_ADG_State_AS = stOff;
        out_ADG_Generator_State_AS = stOff;
    }
}
