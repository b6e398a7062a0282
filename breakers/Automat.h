// One circuit breaker of the station: closes and opens it on command by pulsing
// On_c or Off_c, watches its position and protection, publishes its state code and
// reports to its owner. Every event goes to the current mode (AutomatModes.h).
#pragma once

#include <string>

#include "Automat_SK.h"
#include "Breaker.h"

class Automat : public Breaker<Automat, Automat_SK>
{
public:
    static constexpr const char* className = "Automat";
    static constexpr bool hasSynchroniser = false;
    static constexpr bool hasAutoReset = true;
    // Texts in which the two breakers differ.
    static constexpr const char* undefinedEntryText = ": НЕОПРЕДЕЛЁННОЕ СОСТОЯНИЕ";
    static constexpr const char* refusedCommandText = "(automatCommand): command.. ";
    static constexpr const char* onLabel = " On_S=";
    static constexpr const char* offLabel = " Off_S=";

    // The Protection mode's periodic reset check (with autoResetProtection).
    static constexpr UniSetTypes::TimerId tmCheckState = 2;

    // The owner gets every report and deletes the breaker; the breaker registers itself with it.
    Automat(const std::string& name, ObjectsManager* owner, xmlNode* confNode);
    // Refuses, as the skeleton does: a breaker is never built without a name.
    Automat();
    ~Automat() override;

    // The mode in which the breaker may only be opened; its creator sets it at once.
    void setOffOnlyMode();
    // Any thread: the closed-position signal as last read.
    bool getOnState() const { return in_State_On_s.load(); }

    std::atomic<bool>& naFlag() { return out_Automat_NA_s; }
    UniSetTypes::ObjectId naSensor() const { return Automat_NA_s; }

protected:
    void step() override;
};
