// The decision point: re-reads the station's inputs and its units and moves the
// station to the mode that matches what it finds. A station never stays here.
#pragma once

#include "SEESMode.h"

class SEESInitMode : public SEESMode
{
public:
    static SEESMode* Instance();

    bool activate(SEES* s) override;
    std::string getName() const override { return "SEESInitMode"; }
    int getModeID() const override { return modeInit; }

    // The mode for state_as alone (off, on, protection, running); false for any other state.
    bool setModeByState(SEES* s);

private:
    SEESInitMode() = default;

    // The units and the state together; true once the mode has been changed.
    bool survey(SEES* s);
    // The last word, from state_as and the control value.
    void decide(SEES* s);
    void toRunning(SEES* s);
};
