#include "StationRig.h"

#include <gtest/gtest.h>
#include <sstream>
#include <utility>

#include "MessageType.h"
#include "SEESMode.h"

using namespace UniSetTypes;

namespace station_test
{
    std::ostream& operator<<(std::ostream& os, const Report& r)
    {
        return os << "{event " << r.event << ", state " << r.state << "}";
    }

    namespace
    {
        bool next(std::deque<bool>& answers, bool otherwise)
        {
            if (answers.empty())
                return otherwise;
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        }
    }

    bool RecordingOwner::canRun(int num)
    {
        std::lock_guard<std::mutex> lk(mtx);
        calls.push_back("canRun(" + std::to_string(num) + ")");
        return next(runAnswers, runAnswer);
    }

    bool RecordingOwner::acceptQG(int num, bool on)
    {
        std::lock_guard<std::mutex> lk(mtx);
        calls.push_back("acceptQG(" + std::to_string(num) + "," + (on ? "1" : "0") + ")");
        return next(leaveAnswers, leaveAnswer);
    }

    void RecordingOwner::releaseQG(int num)
    {
        std::lock_guard<std::mutex> lk(mtx);
        calls.push_back("releaseQG(" + std::to_string(num) + ")");
    }

    bool RecordingOwner::isAlone(int num)
    {
        std::lock_guard<std::mutex> lk(mtx);
        calls.push_back("isAlone(" + std::to_string(num) + ")");
        return next(aloneAnswers, aloneAnswer);
    }

    void RecordingOwner::pushReport(const TransportMessage& msg)
    {
        VoidMessage vm(msg);
        std::lock_guard<std::mutex> lk(mtx);
        reports.emplace_back(&vm);
    }

    std::vector<std::string> RecordingOwner::takeCalls()
    {
        std::lock_guard<std::mutex> lk(mtx);
        return std::exchange(calls, {});
    }

    std::vector<Report> RecordingOwner::takeReports()
    {
        std::lock_guard<std::mutex> lk(mtx);
        std::vector<Report> out;
        for (const SEESMessage& m : reports)
            out.push_back({m.event, m.state});
        reports.clear();
        return out;
    }

    std::vector<SEESMessage> RecordingOwner::messages()
    {
        std::lock_guard<std::mutex> lk(mtx);
        return reports;
    }

    namespace
    {
        struct Role
        {
            const char* name;
            const char* iotype;
        };

#define STATION_TEST_ROLE(name, dir, type, need, def) Role{#name, #type},
#define STATION_TEST_MSG(name) #name,
        const std::vector<Role> roles = {SEES_SK_LIST(STATION_TEST_ROLE, RAVNA_SK_SKIP, RAVNA_SK_SKIP, RAVNA_SK_SKIP)};
        const std::vector<std::string> messages = {
            SEES_SK_LIST(RAVNA_SK_SKIP, RAVNA_SK_SKIP, STATION_TEST_MSG, RAVNA_SK_SKIP)};
#undef STATION_TEST_ROLE
#undef STATION_TEST_MSG

        // Loop passes take no time; the times below are long beside the pauses.
        const Settings defaults = {
            {"num", "3"},
            {"myPostID", "Post"},
            {"QG", "SES1_QG"},
            {"Diesel", "SES1_Diesel"},
            {"Generator", "SES1_Generator"},
            {"power_as", "SES1_P_as"},
            {"voltage_as", "SES1_U_as"},
            {"frequency_as", "SES1_F_as"},
            {"power", "100"},
            {"OnTime", "1000"},
            {"RunTime", "10000"},
            {"OffTime", "10000"},
            {"QGOnTime", "3000"},
            {"QGOffTime", "3000"},
            {"AcceptWaitingTime", "10000"},
            {"AcceptControlTime", "3000"},
            {"Load20Time", "1000"},
            {"CommandPause", "500"},
            {"ReservCount", "0"},
            {"askTimeout", "1000"},
            {"askPause", "1000"},
            {"filterPause", "100"},
            {"protectionPause", "300"},
            {"initPause", "200"},
            {"initAttempts", "2"},
            {"coolingTime", "20000"},
            {"NoPowerTime", "3000"},
            {"BlockedRunTime", "5000"},
            {"DGProtectionStopTime", "8000"},
            {"DGProtectionCheckTime", "1000"},
            {"modeTime", "5000"},
            {"updateStateTime", "5000"},
            {"resetPause", "400"},
            // Raised messages stay visible unless a test says otherwise.
            {"resetMsgTime", "100000"}};

        const char* const unitSensors = R"(
    <item id="900" name="SES1_Diesel_State_as" iotype="AI"/>
    <item id="901" name="SES1_Generator_State_as" iotype="AI"/>
    <item id="902" name="SES1_QG_State_as" iotype="AI"/>
    <item id="903" name="SES1_QG_On_S" iotype="DI"/>
    <item id="904" name="SES1_P_as" iotype="AI"/>
    <item id="905" name="SES1_U_as" iotype="AI"/>
    <item id="906" name="SES1_F_as" iotype="AI"/>
)";
        const char* const units = R"(
    <SES1_QG name="SES1_QG" state_as="SES1_QG_State_as" on_s="SES1_QG_On_S"/>
    <SES1_Diesel name="SES1_Diesel" state_as="SES1_Diesel_State_as"/>
    <SES1_Generator name="SES1_Generator" state_as="SES1_Generator_State_as"/>
    <SES1_Broken name="SES1_Broken"/>
)";

        std::vector<std::string> withDefaults(std::vector<std::string> args)
        {
            args.insert(args.begin(), "test");
            args.insert(args.end(), {"--sleep-msec", "0"});
            return args;
        }
    }

    std::string stationWorld(const Settings& settings)
    {
        Settings attrs = defaults;
        std::ostringstream sensors;
        int id = 100;
        for (const Role& r : roles)
        {
            const std::string name = std::string("SES1_") + r.name;
            // The QG under remote control, as the bench has it.
            const char* value = std::string(r.name) == "QG_RemoteControl_s" ? "1" : "0";
            sensors << "    <item id=\"" << id++ << "\" name=\"" << name << "\" iotype=\"" << r.iotype
                    << "\" default=\"" << value << "\"/>\n";
            attrs[r.name] = name;
        }
        for (const std::string& m : messages)
        {
            const std::string name = "SES1_" + m;
            sensors << "    <item id=\"" << id++ << "\" name=\"" << name << "\" iotype=\"DI\"/>\n";
            attrs[m] = name;
        }
        for (const auto& [key, value] : settings)
            attrs[key] = value;

        std::ostringstream node;
        node << "    <SES1 name=\"SES1\"";
        for (const auto& [key, value] : attrs)
            if (!value.empty())
                node << " " << key << "=\"" << value << "\"";
        node << "/>\n";

        return "  <LocalNode name=\"localhost\"/>\n  <settings>\n" + node.str() + units +
               "  </settings>\n  <nodes>\n    <item id=\"1\" name=\"localhost\"/>\n  </nodes>\n  <sensors>\n" +
               sensors.str() + unitSensors +
               "  </sensors>\n  <objects>\n    <item id=\"5001\" name=\"SES1\"/>\n"
               "    <item id=\"5002\" name=\"SES1_QG\"/>\n    <item id=\"5003\" name=\"SES1_Diesel\"/>\n"
               "    <item id=\"5004\" name=\"SES1_Generator\"/>\n    <item id=\"5005\" name=\"Post\"/>\n"
               "  </objects>";
    }

    StationRig::StationRig(const Settings& settings, std::vector<std::string> args)
    {
        savedLog = SEES::dlog;
        SEES::dlog.level(Debug::ANY);
        SEES::dlog.logFile(logDir.path("station.log"));
        try
        {
            testWorld = std::make_unique<testing_support::TestWorld>(stationWorld(settings), withDefaults(args));
            sut = std::make_unique<SEES>(0, "SES1", &supervisor, world().cfg().getNode("SES1"));
        }
        catch (...)
        {
            testWorld.reset();
            SEES::dlog = savedLog;
            throw;
        }
    }

    StationRig::~StationRig()
    {
        sut.reset();
        testWorld.reset();
        SEES::dlog = savedLog;
    }

    void StationRig::startUp()
    {
        sut->activateObject();
        const TransportMessage startUp = SystemMessage(SystemMessage::StartUp).transport();
        for (UniSetObject* unit : sut->getObjects())
            unit->push(startUp);
        sut->push(startUp);
        quiesce();
    }

    void StationRig::quiesce()
    {
        const std::vector<UniSetObject*> units = sut->getObjects();
        auto resting = [&] {
            for (UniSetObject* unit : units)
                if (unit->countMessages() > 0)
                    return false;
            return sut->countMessages() == 0;
        };
        for (int round = 0; round < 100; ++round)
        {
            for (UniSetObject* unit : units)
                unit->callback();
            sut->callback();
            if (resting())
                return;
        }
        ADD_FAILURE() << "the station never came to rest";
    }

    void StationRig::advance(int ms) { testWorld->clock().advanceMs(ms); }

    ObjectId StationRig::sensor(const std::string& role) const
    {
        ObjectId id = testWorld->cfg().getSensorID("SES1_" + role);
        return id != DefaultObjectId ? id : testWorld->cfg().getSensorID(role);
    }

    void StationRig::set(const std::string& role, long value) { testWorld->store().setValue(sensor(role), value, -1); }

    void StationRig::plant(const Plant& p)
    {
        set("Diesel_State_as", p.diesel);
        set("Generator_State_as", p.generator);
        set("QG_State_as", p.qg);
        set("QG_On_S", p.qg == 1);
        quiesce();
        set("state_as", p.set);
        quiesce();
    }

    long StationRig::value(const std::string& role) const { return testWorld->store().getValue(sensor(role)); }

    std::string StationRig::mode() const
    {
        const SEESMode* m = sut->currentMode();
        return m ? m->getName() : "none";
    }

    std::string StationRig::log() const { return logDir.read("station.log"); }
}
