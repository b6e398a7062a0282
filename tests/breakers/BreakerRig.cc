#include "BreakerRig.h"

#include <gtest/gtest.h>
#include <sstream>

#include "Automat.h"
#include "BreakerMode.h"
#include "BreakerProtectionMode.h"
#include "QC.h"

using namespace UniSetTypes;

namespace breakers_test
{
    namespace
    {
        struct Role
        {
            const char* name;
            const char* iotype;
            int defaultValue;
        };

        const std::vector<Role> automatRoles = {
            {"State_On_s", "DI", 0}, {"State_Off_s", "DI", 1}, {"Protection_s", "DI", 0}, {"On_c", "DO", 0},
            {"Off_c", "DO", 0},      {"Automat_NA_s", "DI", 0}, {"state_as", "AI", 0}};
        const std::vector<std::string> automatMessages = {
            "mid_HandOn", "mid_HandOff", "mid_NotOn", "mid_NotOff", "mid_NotResetProtection",
            "mid_CurrentProtection_Att", "mid_NA_Att"};

        const std::vector<Role> qcRoles = {
            {"State_On_s", "DI", 0}, {"State_Off_s", "DI", 1}, {"Protection_s", "DI", 0},
            {"Synchro_Failure_s", "DI", 0}, {"On_c", "DO", 0}, {"Off_c", "DO", 0},
            {"SyncOn_c", "DO", 0},   {"State_NA_s", "DI", 0}};
        const std::vector<std::string> qcMessages = {
            "mid_HandOn", "mid_HandOff", "mid_NotOn", "mid_NotOff", "mid_SyncFailure", "mid_SyncOn",
            "mid_NotResetProtection", "mid_CurrentProtection_Att", "mid_NA_Att"};

        const Settings automatTiming = {{"OnTime", "2000"}, {"OffTime", "2000"}};
        const Settings qcTiming = {{"OnTime", "2000"},        {"OffTime", "2000"},      {"DischargeOffTime", "1000"},
                                   {"OnSyncTime", "3000"},    {"stateTimeOut", "500"},  {"CommandTime", "500"},
                                   {"minWaitingTime", "300"}, {"askTimeout", "1000"},   {"askPause", "2000"},
                                   {"offPause", "200"}};
    }

    namespace
    {
        std::vector<std::string> withName(std::vector<std::string> args)
        {
            args.insert(args.begin(), "test");
            return args;
        }
    }

    std::string kindName(Kind k) { return k == Kind::automat ? "Automat" : "QC"; }
    std::string breakerName(Kind k) { return k == Kind::automat ? "QF1" : "QC1"; }

    std::ostream& operator<<(std::ostream& os, const Report& r)
    {
        return os << "{kind " << r.kind << ", code " << r.code << "}";
    }

    std::string breakerWorld(Kind kind, const Settings& settings)
    {
        const auto& roles = kind == Kind::automat ? automatRoles : qcRoles;
        const auto& messages = kind == Kind::automat ? automatMessages : qcMessages;
        const std::string name = breakerName(kind);
        int id = kind == Kind::automat ? 400 : 420;

        Settings attrs = kind == Kind::automat ? automatTiming : qcTiming;
        std::ostringstream sensors;
        for (const Role& r : roles)
        {
            const std::string sensor = name + "_" + r.name;
            sensors << "    <item id=\"" << id++ << "\" name=\"" << sensor << "\" iotype=\"" << r.iotype
                    << "\" default=\"" << r.defaultValue << "\"/>\n";
            attrs[r.name] = sensor;
        }
        for (const std::string& m : messages)
        {
            const std::string sensor = name + "_" + m;
            sensors << "    <item id=\"" << id++ << "\" name=\"" << sensor << "\" iotype=\"DI\"/>\n";
            attrs[m] = sensor;
        }
        for (const auto& [key, value] : settings)
            attrs[key] = value;

        std::ostringstream node;
        node << "    <" << name << " name=\"" << name << "\"";
        for (const auto& [key, value] : attrs)
            if (!value.empty())
                node << " " << key << "=\"" << value << "\"";
        node << "/>\n";

        return "  <LocalNode name=\"localhost\"/>\n  <settings>\n" + node.str() +
               "  </settings>\n  <nodes>\n    <item id=\"1\" name=\"localhost\"/>\n  </nodes>\n  <sensors>\n" +
               sensors.str() +
               "  </sensors>\n  <objects>\n    <item id=\"5400\" name=\"Supervisor\"/>\n"
               "    <item id=\"5401\" name=\"QF1\"/>\n    <item id=\"5402\" name=\"QC1\"/>\n  </objects>";
    }

    BreakerRig::BreakerRig(Kind kind, const Settings& settings, std::vector<std::string> args)
        : breakerKind(kind),
          testWorld(std::make_unique<testing_support::TestWorld>(breakerWorld(kind, settings), withName(args))),
          supervisor(std::make_unique<ObjectsManager>(testWorld->id("Supervisor")))
    {
    }

    BreakerRig::~BreakerRig() = default;

    std::unique_ptr<BreakerRig> BreakerRig::make(Kind kind, const Settings& settings, std::vector<std::string> args)
    {
        if (kind == Kind::automat)
            return std::make_unique<Rig<Automat>>(kind, settings, std::move(args));
        return std::make_unique<Rig<QC>>(kind, settings, std::move(args));
    }

    void BreakerRig::startUp()
    {
        object().activateObject();
        object().push(SystemMessage(SystemMessage::StartUp).transport());
        quiesce();
    }

    void BreakerRig::quiesce()
    {
        pass();
        for (int i = 0; i < 50 && object().countMessages() > 0; ++i)
            pass();
    }

    void BreakerRig::advance(int ms) { testWorld->clock().advanceMs(ms); }

    ObjectId BreakerRig::sensor(const std::string& role) const
    {
        return testWorld->cfg().getSensorID(breakerName(breakerKind) + "_" + role);
    }

    void BreakerRig::plant(const std::string& role, long value) { testWorld->store().setValue(sensor(role), value, -1); }

    void BreakerRig::position(Position p)
    {
        plant("State_On_s", p == Position::closed || p == Position::undefined);
        plant("State_Off_s", p == Position::open || p == Position::undefined);
    }

    void BreakerRig::silently(Position p)
    {
        position(p);
        testing_support::drain(object());
        seen(p);
    }

    long BreakerRig::value(const std::string& role) { return testWorld->store().getValue(sensor(role)); }

    std::vector<Report> BreakerRig::reports()
    {
        std::vector<Report> out;
        for (const VoidMessage& vm : testing_support::drain(*supervisor))
        {
            if (vm.type != AutomatMessage::MessageTypeID)
                continue;
            const AutomatMessage am(&vm);
            EXPECT_EQ(am.id, object().getId()) << "a report names its breaker";
            const bool urgent = am.kind == AutomatMessage::kProtection ||
                                (am.kind == AutomatMessage::kFailure && am.code == AutomatMessage::failRefused);
            EXPECT_EQ(am.priority, urgent ? Message::High : Message::Medium) << Report{am.kind, am.code};
            out.push_back({am.kind, am.code});
        }
        return out;
    }

    std::string BreakerRig::log() const { return logDir.read("breaker.log"); }

    template <class B>
    Rig<B>::Rig(Kind kind, const Settings& settings, std::vector<std::string> args)
        : BreakerRig(kind, settings, std::move(args))
    {
        savedLog = B::dlog;
        B::dlog.level(Debug::ANY);
        B::dlog.logFile(logDir.path("breaker.log"));
        xmlNode* node = world().cfg().getNode(breakerName(kind));
        try
        {
            if constexpr (std::is_same_v<B, QC>)
                sut = std::make_unique<QC>(1, breakerName(kind), &owner(), node);
            else
                sut = std::make_unique<Automat>(breakerName(kind), &owner(), node);
        }
        catch (...)
        {
            B::dlog = savedLog;
            throw;
        }
    }

    template <class B>
    Rig<B>::~Rig()
    {
        sut.reset();
        B::dlog = savedLog;
    }

    template <class B>
    void Rig<B>::command(int code)
    {
        switch (code)
        {
            case AutomatMessage::cmdOn: sut->cmdOn(); break;
            case AutomatMessage::cmdOff: sut->cmdOff(); break;
            case AutomatMessage::cmdReset: sut->cmdReset(); break;
            case AutomatMessage::cmdSleep: sut->cmdSleep(); break;
            case AutomatMessage::cmdWake: sut->cmdWake(); break;
            case AutomatMessage::cmdOnSync:
                if constexpr (std::is_same_v<B, QC>)
                    sut->cmdOnSync();
                else
                    ADD_FAILURE() << "an Automat has no cmdOnSync";
                break;
            default: ADD_FAILURE() << "no command " << code;
        }
    }

    template <class B>
    std::string Rig<B>::mode() const
    {
        const std::string name = sut->currentMode()->getName();
        const std::string prefix = B::className;
        return name.rfind(prefix, 0) == 0 ? name.substr(prefix.size()) : name;
    }

    template <class B>
    void Rig<B>::seen(Position p)
    {
        sut->in_State_On_s = p == Position::closed || p == Position::undefined;
        sut->in_State_Off_s = p == Position::open || p == Position::undefined;
    }

    template <class B>
    void Rig<B>::enterProtection()
    {
        sut->changeMode(BreakerProtectionMode<B>::Instance());
        quiesce();
    }

    template <class B>
    void Rig<B>::offOnly()
    {
        if constexpr (std::is_same_v<B, Automat>)
            sut->setOffOnlyMode();
        else
            ADD_FAILURE() << "only an Automat has the off-only mode";
    }

    template <class B>
    std::string Rig<B>::text(const std::string& pattern) const
    {
        std::string out = pattern;
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"{B}", B::className},
                                         {"{refused}", B::refusedCommandText},
                                         {"{undefined}", std::string(B::undefinedEntryText) + "\n"}})
        {
            for (size_t at = out.find(key); at != std::string::npos; at = out.find(key))
                out.replace(at, key.size(), value);
        }
        return out;
    }

    template class Rig<Automat>;
    template class Rig<QC>;
}
