#include "APSLamp.h"

void APSLamp::acknowledge(bool ack)
{
    if (ack && lampState == lampBlink)
        lampState = input ? lampOn : lampOff;
}

int APSLamp::set(bool in)
{
    input = in;
    return update();
}

int APSLamp::update()
{
    if (input == prevInput)
        return lampState;
    prevInput = input;
    if (input)
        lampState = lampBlink;
    else if (lampState != lampBlink)
        lampState = lampOff;
    return lampState;
}
