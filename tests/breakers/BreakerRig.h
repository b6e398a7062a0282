// A breaker on the bench: its configuration, the in-process store standing in for
// the plant, the manual clock, an owner that keeps the reports, and the breaker's
// log in a file. Tests drive it pass by pass.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AutomatMessages.h"
#include "DebugStream.h"
#include "ObjectsManager.h"
#include "TestSupport.h"

namespace breakers_test
{
    enum class Kind
    {
        automat,
        qc
    };

    std::string kindName(Kind k);

    // A report as the owner sees it.
    struct Report
    {
        int kind;
        int code;
        bool operator==(const Report&) const = default;
    };
    std::ostream& operator<<(std::ostream& os, const Report& r);

    inline constexpr Report stOn{AutomatMessage::kState, AutomatMessage::stOn};
    inline constexpr Report stOff{AutomatMessage::kState, AutomatMessage::stOff};
    inline constexpr Report stSleep{AutomatMessage::kState, AutomatMessage::stSleep};
    inline constexpr Report stOffOnly{AutomatMessage::kState, AutomatMessage::stOffOnly};
    inline constexpr Report tripped{AutomatMessage::kProtection, 1};
    inline constexpr Report notDone{AutomatMessage::kFailure, AutomatMessage::failNotDone};
    inline constexpr Report refused{AutomatMessage::kFailure, AutomatMessage::failRefused};

    using Settings = std::map<std::string, std::string>;

    // The configuration of one breaker of the kind: sensors named "<Breaker>_<role>",
    // the owner "Supervisor", the breaker "QF1" (Automat) or "QC1" (QC) with its node.
    // Settings replace or add attributes of the breaker's node; an empty value drops one.
    std::string breakerWorld(Kind kind, const Settings& settings = {});
    std::string breakerName(Kind kind);

    enum class Position
    {
        open,
        closed,
        undefined
    };

    class BreakerRig
    {
    public:
        // args: the program's command line after its name.
        static std::unique_ptr<BreakerRig> make(Kind kind, const Settings& settings = {},
                                                std::vector<std::string> args = {});
        virtual ~BreakerRig();

        Kind kind() const { return breakerKind; }
        testing_support::TestWorld& world() { return *testWorld; }
        ObjectsManager& owner() { return *supervisor; }
        virtual UniSetObject& object() = 0;

        // Activation and the start-up message, then passes until nothing is queued.
        void startUp();
        // One loop pass (it sleeps the pass time on the manual clock).
        void pass() { object().callback(); }
        // Passes until the breaker's queue is empty (bounded).
        void quiesce();
        void advance(int ms);

        // The plant: writes a sensor by role as the real breaker would.
        void plant(const std::string& role, long value);
        void position(Position p);
        // A command through the breaker's entry point.
        virtual void command(int code) = 0;

        // Arrangements that the plant cannot make: what the breaker has last read
        // (before the sensor messages arrive), a mode entered directly.
        virtual void seen(Position p) = 0;
        // The breaker moved and nothing told the breaker object yet: the plant's
        // signals and the values last read agree, no sensor message is queued.
        void silently(Position p);
        virtual void seenProtection(bool on) = 0;
        virtual void enterProtection() = 0;
        // The off-only mode (Automat only), before start-up.
        virtual void offOnly() = 0;
        // The text as this breaker class writes it: "{B}" is its class name,
        // "{refused}" the head of its refusal lines, "{undefined}" its line for a
        // command met by an undefined position (with the line's end).
        virtual std::string text(const std::string& pattern) const = 0;

        // What a person would see.
        long value(const std::string& role);
        std::vector<Report> reports();
        // The current mode's name without the breaker's prefix ("OffMode").
        virtual std::string mode() const = 0;
        std::string log() const;
        UniSetTypes::ObjectId sensor(const std::string& role) const;

    protected:
        BreakerRig(Kind kind, const Settings& settings, std::vector<std::string> args);

        testing_support::TempDir logDir;
        DebugStream savedLog;

    private:
        Kind breakerKind;
        std::unique_ptr<testing_support::TestWorld> testWorld;
        std::unique_ptr<ObjectsManager> supervisor;
    };

    // The rig of one breaker class, with the breaker itself as sut.
    template <class B>
    class Rig final : public BreakerRig
    {
    public:
        Rig(Kind kind, const Settings& settings, std::vector<std::string> args = {});
        ~Rig() override;

        UniSetObject& object() override { return *sut; }
        void command(int code) override;
        std::string mode() const override;
        void seen(Position p) override;
        void seenProtection(bool on) override { sut->in_Protection_s = on; }
        void enterProtection() override;
        void offOnly() override;
        std::string text(const std::string& pattern) const override;

        std::unique_ptr<B> sut;
    };
}
