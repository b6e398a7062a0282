// A station stand-in for the group tests: its state, priority, control mode,
// measurements and demands are set by the test, and it keeps what the groups
// told it (leader flag, alone flag, reserve commands, required reserve) as a
// station would show them. Safe to call from several threads.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "station/StationServices.h"

class FakeStation : public StationServices
{
public:
    // State codes of a whole set.
    static constexpr long mOFF = 0;
    static constexpr long mON = 1;
    static constexpr long mTRANSITIVE = 4;

    FakeStation(int number, long priority = 0, bool automatic = true, long stateCode = mOFF);

    const std::string& getName() const override { return name; }
    bool isOn() override { return state == mON; }
    bool isOff() override { return state == mOFF; }
    long getPriority() override { return priority; }
    bool isAutoMode() override { return automatic; }
    long getF() override { return f; }
    long getU() override { return u; }
    long getP() override { return p; }
    bool needReservOn() override { return needOn; }
    bool needReservOff() override { return needOff; }
    bool isProtection() override
    {
        if (whileProtectionAsked)
            whileProtectionAsked();
        return protection;
    }
    int getReservPower() override { return state == mON && !protection ? spare.load() : 0; }
    // A station's own rule: automatic, not leader, not in protection, stopped (running).
    bool canReservStart() override { return automatic && !leader && !protection && state != mON; }
    bool canReservStop() override { return automatic && !leader && !protection && state == mON; }

    void setAlone(bool a) override;
    void resetReservCommands() override;
    void commandReservOn() override;
    void commandReservOff() override;
    void setReserv(bool l) override;
    void setRequiredReserv(bool required) override;

    // What the station was told, in order: "leader", "notLeader", "alone",
    // "notAlone", "on", "off", "reset", "required", "notRequired".
    std::vector<std::string> calls() const;
    void clearCalls();

    std::string name;
    std::atomic<long> state;
    std::atomic<long> priority;
    std::atomic<bool> automatic;
    std::atomic<long> f{0}, u{0}, p{0};
    std::atomic<int> spare{0};
    std::atomic<bool> needOn{false}, needOff{false}, protection{false};
    // Set when setReserv is to fail.
    std::atomic<bool> failSetReserv{false};
    // Run inside isProtection, so a test can keep a caller in its group's lock; set
    // before other threads call the station.
    std::function<void()> whileProtectionAsked;

    // As the station's outputs show them.
    std::atomic<bool> leader{false};
    std::atomic<bool> alone{false};
    std::atomic<bool> cmdOnReserv{false};
    std::atomic<bool> cmdOffReserv{false};
    std::atomic<bool> requiredReserv{false};

private:
    void record(const char* call);
    mutable std::mutex mtx;
    std::vector<std::string> log;
};

using FakeStations = std::vector<std::unique_ptr<FakeStation>>;
