// The state codes of the emergency diesel-generator set and of its generator,
// recomputed every pass from the fixed inputs of its skeleton.
#pragma once

#include "ADGState_SK.h"

class ADGState : public ADGState_SK
{
public:
    // The codes written to ADG_State_AS and ADG_Generator_State_AS.
    static constexpr long stOff = 0;
    static constexpr long stOn = 1;
    static constexpr long stFault = 2;
    static constexpr long stRunning = 9;

    // Refuses a null node: the object is always configured.
    ADGState(UniSetTypes::ObjectId id, xmlNode* cnode);
    // Only refuses, as the skeleton's does.
    ADGState();
    ~ADGState() override;

protected:
    void step() override;
};
