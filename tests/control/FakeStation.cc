#include "FakeStation.h"

#include "Exceptions.h"

FakeStation::FakeStation(int number, long prio, bool autoMode, long stateCode)
    : name("SES" + std::to_string(number)), state(stateCode), priority(prio), automatic(autoMode)
{
    num = number;
}

void FakeStation::record(const char* call)
{
    std::lock_guard<std::mutex> lk(mtx);
    log.emplace_back(call);
}

std::vector<std::string> FakeStation::calls() const
{
    std::lock_guard<std::mutex> lk(mtx);
    return log;
}

void FakeStation::clearCalls()
{
    std::lock_guard<std::mutex> lk(mtx);
    log.clear();
}

void FakeStation::setAlone(bool a)
{
    alone = a;
    record(a ? "alone" : "notAlone");
}

void FakeStation::resetReservCommands()
{
    cmdOnReserv = false;
    cmdOffReserv = false;
    record("reset");
}

void FakeStation::commandReservOn()
{
    cmdOffReserv = false;
    cmdOnReserv = true;
    record("on");
}

void FakeStation::commandReservOff()
{
    cmdOnReserv = false;
    cmdOffReserv = true;
    record("off");
}

void FakeStation::setReserv(bool l)
{
    if (failSetReserv)
        throw UniSetTypes::Exception(name + "(setReserv): write failed");
    leader = l;
    record(l ? "leader" : "notLeader");
}

void FakeStation::setRequiredReserv(bool required)
{
    requiredReserv = required;
    record(required ? "required" : "notRequired");
}
