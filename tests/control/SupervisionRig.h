// The supervision of the bench configuration on the in-process store and the
// manual clock, built whole (stations, breakers, bus-tie logic, groups). Only the
// supervision's own loop is driven; the children's queues keep what they were sent.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Automat.h"
#include "ControlWorld.h"
#include "QC.h"
#include "RavnaLogic.h"
#include "SEESControl.h"
#include "TestSupport.h"
#include "UnionGroups.h"

namespace control_test
{
    // The body of config/configure.xml with edits (each replaces the first
    // occurrence of its text).
    std::string benchWorld(const Edits& edits = {});

    // Where a breaker stands, as its object has last read it.
    enum class Position
    {
        open,
        closed,
        undefined
    };

    // The lock, for the tests that hold it.
    class OpenSupervision : public SEESControl
    {
    public:
        using SEESControl::_grMutex;
        using SEESControl::SEESControl;
    };

    class SupervisionRig
    {
    public:
        explicit SupervisionRig(const Edits& edits = {}, std::vector<std::string> args = {});
        ~SupervisionRig();

        testing_support::TestWorld& world() { return testWorld; }

        // Activation, the start-up message and the passes that follow.
        void startUp();
        // Passes of the supervision until its queue is empty (bounded).
        void quiesce();
        void advance(int ms) { testWorld.clock().advanceMs(ms); }
        // A sensor written as the plant would, then the supervision's passes.
        void set(const std::string& sensor, long value);
        // A message queued to the supervision, then its passes.
        void deliver(const UniSetTypes::TransportMessage& msg);

        SEES& station(int num);
        // Station num's set on or off, as the station has last read its state.
        void stationOn(int num, bool on);
        Automat& automat(const std::string& name);
        void position(Automat& a, Position p);
        RavnaLogic& busTie() { return *ravnaLogic; }
        QC& qc() { return *busTieBreaker; }
        std::vector<int> commands(UniSetObject& breaker) { return commandsTo(breaker); }

        // The working groups as the log prints them, "; " between two.
        std::string groups() const;
        std::string log() const;
        bool logged(const std::string& text) const { return log().find(text) != std::string::npos; }

        std::unique_ptr<OpenSupervision> sut;

    private:
        testing_support::TestWorld testWorld;
        testing_support::LogCapture controlLog{SEESControl::dlog};
        // The groups' logs are copied from the supervision's only once per process,
        // so each rig captures them itself.
        testing_support::LogCapture unionLog{UnionGroups::dlog};
        testing_support::LogCapture groupLog{SEESGroup::dlog};
        RavnaLogic* ravnaLogic = nullptr;
        QC* busTieBreaker = nullptr;
    };
}
