// A station on the bench: its configuration (sensors named "SES1_<role>"), the
// in-process store standing in for the plant, the manual clock, an owner that records
// every call and report, and the station's log in a file. Tests drive the station and
// its three unit monitors pass by pass; loop passes take no time, so the clock moves
// only when a test advances it or the station pauses.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DebugStream.h"
#include "SEES.h"
#include "SEESOwner.h"
#include "TestSupport.h"

namespace station_test
{
    // A report as the supervision sees it.
    struct Report
    {
        int event;
        int state;
        bool operator==(const Report&) const = default;
    };
    std::ostream& operator<<(std::ostream& os, const Report& r);

    // The supervision's side: answers as the test sets them, and keeps every call
    // ("canRun(3)", "acceptQG(3,1)", "releaseQG(3)", "isAlone(3)") and report.
    class RecordingOwner : public SEESOwner
    {
    public:
        bool canRun(int num) override;
        bool acceptQG(int num, bool on) override;
        void releaseQG(int num) override;
        bool isAlone(int num) override;
        void pushReport(const UniSetTypes::TransportMessage& msg) override;

        std::vector<std::string> takeCalls();
        std::vector<Report> takeReports();
        std::vector<SEESMessage> messages();

        bool runAnswer = true;
        // Answers to the next run requests, before runAnswer applies.
        std::deque<bool> runAnswers;
        bool leaveAnswer = true;
        // Answers to the next leave requests, before leaveAnswer applies.
        std::deque<bool> leaveAnswers;
        bool aloneAnswer = false;
        // Answers to the next isAlone questions, before aloneAnswer applies.
        std::deque<bool> aloneAnswers;

    private:
        std::mutex mtx;
        std::vector<std::string> calls;
        std::vector<SEESMessage> reports;
    };

    using Settings = std::map<std::string, std::string>;

    // The configuration of station SES1 (number 3) and its unit monitors. Settings
    // replace or add attributes of the station's node; an empty value drops one.
    std::string stationWorld(const Settings& settings = {});

    // State codes of the units and the set, as the plant writes them.
    struct Plant
    {
        long diesel = 0;
        long generator = 0;
        long qg = 0;
        long set = 0;
    };

    class StationRig
    {
    public:
        explicit StationRig(const Settings& settings = {}, std::vector<std::string> args = {});
        ~StationRig();

        testing_support::TestWorld& world() { return *testWorld; }
        RecordingOwner& owner() { return supervisor; }
        SEES& station() { return *sut; }

        // Activation and the start-up message to the station and its monitors, then quiesce.
        void startUp();
        // Passes of the monitors and the station until nothing is queued (bounded).
        void quiesce();
        void advance(int ms);

        // The plant: writes a sensor by the station's role ("DG_Start_s") or its own name.
        void set(const std::string& role, long value);
        // The units first (their monitors read them), then the set's state.
        void plant(const Plant& p);
        long value(const std::string& role) const;
        UniSetTypes::ObjectId sensor(const std::string& role) const;

        std::string mode() const;
        std::string log() const;
        // Whether the station has asked for timer id and not cancelled it.
        bool timerAsked(int id) const { return sut->getTimeInterval(id) != 0; }

        std::unique_ptr<SEES> sut;

    private:
        testing_support::TempDir logDir;
        DebugStream savedLog;
        std::unique_ptr<testing_support::TestWorld> testWorld;
        RecordingOwner supervisor;
    };
}
