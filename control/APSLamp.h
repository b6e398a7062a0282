// A signalling lamp with an acknowledge discipline: a new alarm blinks; an
// acknowledgement turns a blinking lamp steady while the alarm lasts, or off when
// it has gone; an alarm that goes before it was acknowledged keeps blinking.
#pragma once

class APSLamp
{
public:
    // The lamp command as written to the lamp's output.
    enum State
    {
        lampOff = 0,
        lampOn = 1,
        lampBlink = 2
    };

    APSLamp() = default;
    virtual ~APSLamp() = default;

    // Acknowledges a blinking lamp; anything else is left as it is.
    virtual void acknowledge(bool ack);
    // Takes the alarm input and returns the lamp state.
    virtual int set(bool in);
    // Applies an edge of the input; returns the lamp state.
    virtual int update();

    int state() const { return lampState; }

private:
    bool prevInput = false;
    int lampState = lampOff;
    bool input = false;
};
