#include "SEESGroup.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <map>

#include "Exceptions.h"
#include "LoggedLock.h"
#include "Ravna.h"
#include "Saturate.h"

using namespace UniSetTypes;
using Ravna::LoggedLock;

DebugStream SEESGroup::dlog;

void SEESGroup::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

namespace
{
    std::string groupName(int num, const std::string& name)
    {
        return name.empty() ? "SEESGroup" + std::to_string(num) : name;
    }

    // The time left on a timer as the wait lines print it: seconds and the rest in ms.
    std::string timeLeft(const PassiveTimer& t)
    {
        const int64_t interval = std::max(t.getInterval(), 0);
        const int64_t left = interval - t.getCurrent();
        return " (sec=" + std::to_string(left / 1000) + " msec=" + std::to_string(left % 1000) + ")";
    }
}

SEESGroup::SEESGroup(int n, const std::string& nm)
    : listMutex(groupName(n, nm) + "_listMutex"), countMutex(groupName(n, nm) + "_countMutex"), num(n),
      name(groupName(n, nm))
{
}

SEESGroup::~SEESGroup() = default;

void SEESGroup::configure(const GroupSettings& s)
{
    reservStatePause = s.reservStatePause;
    reservCommandTimeout = s.reservCommandTimeout;
    checkReservTime = s.checkReservTime;
    maxWorking = s.maxWorking;
    fdev.min = s.f_min;
    fdev.max = s.f_max;
    udev.min = s.U_min;
    udev.max = s.U_max;
    if (s.fdevTimeout > 0)
        fdev.arm(s.fdevTimeout);
    if (s.udevTimeout > 0)
        udev.arm(s.udevTimeout);
}

// --- members

StationServices* SEESGroup::member(int sesNum) const
{
    for (StationServices* s : stations)
        if (s->num == sesNum)
            return s;
    return nullptr;
}

bool SEESGroup::join(StationServices* ses)
{
    if (member(ses->num))
        return false;
    stations.push_back(ses);
    return true;
}

bool SEESGroup::addSES(StationServices* ses)
{
    ses->groupNum = num;
    LoggedLock lock(listMutex, 5000, dlog, name, "addSES");
    return lock.ok() && join(ses);
}

bool SEESGroup::addGroup(const SEESGroup& other)
{
    const StationList snapshot = other.stations;
    for (StationServices* s : snapshot)
        s->groupNum = num;
    LoggedLock lock(listMutex, 5000, dlog, name, "addGroup");
    if (!lock.ok())
        return false;
    for (StationServices* s : snapshot)
        join(s);
    return true;
}

bool SEESGroup::removeSES(StationServices* ses)
{
    LoggedLock lock(listMutex, 5000, dlog, name, "removeSES");
    if (!lock.ok())
        return false;
    auto it = std::find_if(stations.begin(), stations.end(), [&](StationServices* s) { return s->num == ses->num; });
    if (it == stations.end())
        return false;
    stations.erase(it);
    return true;
}

StationServices* SEESGroup::findSES(int sesNum)
{
    LoggedLock lock(listMutex, 5000, dlog, name, "findSES");
    return lock.ok() ? member(sesNum) : nullptr;
}

bool SEESGroup::clearStations()
{
    LoggedLock lock(listMutex, 5000, dlog, name, "clearStations");
    if (!lock.ok())
        return false;
    stations.clear();
    reservList.clear();
    return true;
}

bool SEESGroup::takeOver(SEESGroup& old, bool deviation)
{
    if (&old == this)
        return true;
    LoggedLock mine(listMutex, 5000, dlog, name, "takeOver");
    LoggedLock theirs(old.listMutex, 5000, dlog, old.name, "takeOver");
    if (!mine.ok() || !theirs.ok())
        return false;
    // A command in progress or a settling pause goes on in the new group.
    for (const ReservEntry& e : old.reservList)
    {
        const bool known = std::any_of(reservList.begin(), reservList.end(),
                                       [&](const ReservEntry& r) { return r.ses->num == e.ses->num; });
        if (member(e.ses->num) && !known)
            reservList.push_back(e);
    }
    if (old.checkTimer.getInterval() != TimeoutInfinity && checkTimer.getInterval() == TimeoutInfinity)
        checkTimer = old.checkTimer;
    if (deviation)
    {
        fdev = old.fdev;
        udev = old.udev;
    }
    return true;
}

// --- the reserve

bool SEESGroup::step()
{
    // Every part is tried, whatever the one before could do.
    bool done = makeReservList();
    done = checkReserv() && done;
    done = updateWorkingCount() && done;
    done = updateSingleFlags() && done;
    checkDeviation();
    return done;
}

void SEESGroup::checkTimers()
{
    {
        LoggedLock lock(listMutex, 5000, dlog, name, "checkTimers");
        if (lock.ok() && checkTimer.checkTime())
        {
            checkTimer.reset();
            serveLeader();
        }
    }
    udev.updateVerdict();
    fdev.updateVerdict();
}

bool SEESGroup::setRequiredReserv(bool required)
{
    LoggedLock lock(listMutex, 3000, dlog, name, "setRequiredReserv");
    if (!lock.ok())
        return false;
    for (StationServices* s : stations)
        s->setRequiredReserv(required);
    return true;
}

bool SEESGroup::makeReservList()
{
    LoggedLock lock(listMutex, 5000, dlog, name, "makeReservList");
    if (!lock.ok())
        return false;

    // Candidates by priority; a later member of the same priority takes the place.
    std::map<long, StationServices*> table;
    StationList displaced;
    for (StationServices* s : stations)
    {
        if (!s->isAutoMode())
        {
            s->setReserv(false);
            s->resetReservCommands();
            continue;
        }
        const long priority = s->getPriority();
        if (priority <= 0)
        {
            s->setReserv(false);
            continue;
        }
        auto [it, inserted] = table.try_emplace(priority, s);
        if (!inserted)
        {
            displaced.push_back(it->second);
            it->second = s;
        }
    }

    if (table.empty())
    {
        dlog[Debug::LEVEL4] << name << "(makeReservList): LEADER not found..." << std::endl;
        leader = nullptr;
        reservList.clear();
        return true;
    }

    auto it = table.begin();
    StationServices* chosen = it->second;
    ReservList fresh;
    for (++it; it != table.end(); ++it)
        fresh.emplace_back(it->second);

    // A stopped candidate gives way to the best working reserve station.
    if (!chosen->isOn())
    {
        auto working = std::find_if(fresh.begin(), fresh.end(), [](const ReservEntry& e) { return e.ses->isOn(); });
        if (working != fresh.end())
        {
            fresh.emplace_back(chosen);
            chosen = working->ses;
            fresh.erase(working);
        }
    }

    // A station that stays in the list keeps its pause or command time-out.
    for (const ReservEntry& old : reservList)
        updateReservEntry(fresh, old);

    leader = chosen;
    reservList = std::move(fresh);

    {
        auto line = dlog[Debug::LEVEL4];
        line << name << "(makeReservList): For leader='ses" << leader->num << "' reserv(" << reservList.size()
             << "): [";
        for (const ReservEntry& e : reservList)
            line << " ses" << e.ses->num;
        line << " ]" << std::endl;
    }

    // A station displaced by an equal priority is no leader any more either.
    StationList notLeaders;
    for (const ReservEntry& e : reservList)
        notLeaders.push_back(e.ses);
    notLeaders.splice(notLeaders.end(), displaced);
    for (StationServices* s : notLeaders)
    {
        try
        {
            s->setReserv(false);
        }
        catch (const std::exception& ex)
        {
            dlog.crit() << name << "(makeReservList): " << s->getName() << ": " << ex.what() << std::endl;
        }
        catch (...)
        {
            dlog.crit() << name << "(makeReservList): " << s->getName() << ": catch ..." << std::endl;
        }
    }
    leader->setReserv(true);
    return true;
}

SEESGroup::ReservList::iterator SEESGroup::updateReservEntry(ReservList& list, const ReservEntry& entry)
{
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const ReservEntry& e) { return e.ses->num == entry.ses->num; });
    if (it != list.end())
        *it = entry;
    return it;
}

bool SEESGroup::checkReserv()
{
    LoggedLock lock(listMutex, 5000, dlog, name, "checkReserv");
    if (lock.ok())
        serveLeader();
    return lock.ok();
}

void SEESGroup::serveLeader()
{
    if (!leader)
    {
        dlog[Debug::LEVEL4] << name << "(checkReserv): ignore.. no leader.." << std::endl;
        return;
    }
    if (leader->needReservOn())
    {
        dlog[Debug::LEVEL4] << name << "(checkReserv): needON for " << leader->getName() << std::endl;
        reserv(true);
        return;
    }
    if (leader->needReservOff())
    {
        dlog[Debug::LEVEL4] << name << "(checkReserv): needOFF for " << leader->getName() << std::endl;
        reserv(false);
        return;
    }
    for (ReservEntry& e : reservList)
    {
        e.timer.setTiming(0);
        e.targetReached = true;
        e.runCommanded = false;
        e.stopCommanded = false;
    }
    resetReserv();
    checkTimer.setTiming(TimeoutInfinity);
}

bool SEESGroup::resetReserv()
{
    for (StationServices* s : stations)
        if (s->needReservOn() || s->needReservOff())
            return false;
    for (ReservEntry& e : reservList)
    {
        dlog[Debug::LEVEL4] << name << "(resetReserv): сбрасываем команды резерва для ses" << e.ses->num << std::endl;
        e.ses->resetReservCommands();
    }
    return true;
}

void SEESGroup::reserv(bool set)
{
    dlog[Debug::LEVEL4] << name << "(reserv):"
                        << " set=" << (set ? 1 : 0) << " rlist=" << reservList.size() << std::endl;
    if (reservList.empty())
    {
        dlog[Debug::LEVEL4] << name << "(reserv): rlst=0 RESERV NOT FOUND" << std::endl;
        checkTimer.setTiming(TimeoutInfinity);
        return;
    }

    // Starts go from the best priority, stops from the worst.
    if (set)
    {
        for (ReservEntry& e : reservList)
            if (visit(e, set))
                return;
    }
    else
    {
        for (auto it = reservList.rbegin(); it != reservList.rend(); ++it)
            if (visit(*it, set))
                return;
    }
    dlog[Debug::LEVEL4] << name << "(reserv):"
                        << " FREE RESERV NOT FOUND" << std::endl;
    checkTimer.setTiming(TimeoutInfinity);
}

bool SEESGroup::visit(ReservEntry& e, bool set)
{
    StationServices* s = e.ses;
    const bool inTarget = set ? s->isOn() : s->isOff();
    bool risen = false;
    if (inTarget != e.targetReached)
    {
        e.targetReached = inTarget;
        if (inTarget)
        {
            // Reached: let it settle before the next one is commanded.
            risen = true;
            e.timer.setTiming(reservStatePause);
            e.runCommanded = false;
            e.stopCommanded = false;
        }
    }

    if (!risen && (set ? e.runCommanded : e.stopCommanded))
    {
        if (e.timer.checkTime() || s->isProtection())
        {
            e.runCommanded = false;
            e.stopCommanded = false;
            e.timer.setTiming(0);
        }
        else
        {
            dlog[Debug::LEVEL4] << name << "(reserv):"
                                << " IGNORE. Wait processing command for ses" << s->num << timeLeft(e.timer)
                                << std::endl;
            checkTimer.setTiming(checkReservTime);
            return true;
        }
    }

    if (!e.timer.checkTime() && !e.runCommanded && !e.stopCommanded)
    {
        dlog[Debug::LEVEL4] << name << "(reserv):"
                            << " IGNORE. Wait state pause for ses" << s->num << timeLeft(e.timer) << std::endl;
        checkTimer.setTiming(checkReservTime);
        return true;
    }

    if (set ? !s->canReservStart() : !s->canReservStop())
        return false;

    dlog[Debug::LEVEL4] << name << "(reserv):" << (set ? " SELECT RUN ses" : " SELECT STOP ses") << s->num
                        << std::endl;
    if (set)
        s->commandReservOn();
    else
        s->commandReservOff();
    e.runCommanded = set;
    e.stopCommanded = !set;
    checkTimer.setTiming(checkReservTime);
    e.targetReached = false;
    e.timer.setTiming(reservCommandTimeout);
    return true;
}

// --- generator-breaker leave

int SEESGroup::acceptQG(int sesNum)
{
    LoggedLock lock(listMutex, 5000, dlog, name, "acceptQG");
    if (!lock.ok())
        return 0;

    if (acceptedQG == sesNum)
    {
        dlog.info() << name << "(acceptQG): QG" << sesNum << " ALREADY ACCEPTED..." << std::endl;
        return sesNum;
    }
    if (acceptedQG != 0)
    {
        dlog.info() << name << "(acceptQG): NOT ACCEPT QG" << sesNum << " qf locked..." << std::endl;
        return acceptedQG;
    }

    // A mark outlives the group that set it (the groups are rebuilt): its holder keeps the leave.
    for (StationServices* s : stations)
    {
        if (!s->qgAccepted)
            continue;
        if (s->num == sesNum)
            dlog.info() << name << "(acceptQG): REPEAT ACCEPT QG" << sesNum << std::endl;
        else
            dlog.info() << name << "(acceptQG): NOT ACCEPT QG" << sesNum << " but blocked ses" << s->num << std::endl;
        acceptedQG = s->num;
        return acceptedQG;
    }

    StationServices* caller = member(sesNum);
    if (!caller)
        throw NameNotFound(name + "(acceptQG): Not found ses" + std::to_string(sesNum));

    dlog.info() << name << "(acceptQG): ACCEPT QG" << sesNum << std::endl;
    caller->qgAccepted = true;
    acceptedQG = sesNum;
    return sesNum;
}

SEESGroup::Release SEESGroup::releaseQG(int sesNum)
{
    LoggedLock lock(listMutex, 4000, dlog, name, "releaseQG", "nothing released yet");
    if (!lock.ok())
        return Release::notLocked;

    StationServices* s = member(sesNum);
    if (!s)
        throw NameNotFound(name + "(acceptQG): Not found ses" + std::to_string(sesNum));

    // Only the holder gives the leave back; the stations release on every exit.
    if (!s->qgAccepted && acceptedQG != sesNum)
    {
        dlog.warn() << name << "(releaseQG): RELEASE QG" << sesNum << " BUT NOT ACCEPTED!!" << std::endl;
        return Release::notHeld;
    }
    dlog.info() << name << "(releaseQG): RELEASE QG" << sesNum << std::endl;
    s->qgAccepted = false;
    if (acceptedQG == sesNum)
        acceptedQG = 0;
    return Release::released;
}

bool SEESGroup::canRun(int sesNum)
{
    {
        LoggedLock lock(listMutex, 5000, dlog, name, "canRun");
        if (!lock.ok())
            return false;
        if (!member(sesNum))
            throw NameNotFound(name + "(canRun): Not found ses" + std::to_string(sesNum));
    }
    LoggedLock count(countMutex, 500, dlog, name, "canRun");
    return count.ok() && numWorking < maxWorking;
}

// --- counts and flags

template <class Test>
std::optional<bool> SEESGroup::anyMember(int timeoutMs, const char* method, Test test)
{
    LoggedLock lock(listMutex, timeoutMs, dlog, name, method);
    if (!lock.ok())
        return std::nullopt;
    return std::any_of(stations.begin(), stations.end(), test);
}

std::optional<bool> SEESGroup::hasProtection()
{
    return anyMember(4000, "hasProtection", [](StationServices* s) { return s->isProtection(); });
}

std::optional<bool> SEESGroup::isReadyForLoading()
{
    return anyMember(5000, "isReadyForLoading", [](StationServices* s) { return s->isOn() && !s->needReservOn(); });
}

std::optional<bool> SEESGroup::noReserv()
{
    LoggedLock lock(listMutex, 5000, dlog, name, "noReserv");
    if (!lock.ok())
        return std::nullopt;
    return reservList.empty();
}

bool SEESGroup::updateWorkingCount()
{
    int working = 0;
    {
        LoggedLock lock(listMutex, 4000, dlog, name, "updateWorkingCount");
        if (!lock.ok())
            return false;
        working = static_cast<int>(std::count_if(stations.begin(), stations.end(), [](StationServices* s) { return s->isOn(); }));
    }
    LoggedLock count(countMutex, 200, dlog, name, "updateWorkingCount");
    if (count.ok())
        numWorking = working;
    return count.ok();
}

int SEESGroup::numOfWorking()
{
    LoggedLock count(countMutex, 200, dlog, name, "numOfWorking");
    return count.ok() ? numWorking : -1;
}

bool SEESGroup::updateSingleFlags()
{
    LoggedLock lock(listMutex, 4000, dlog, name, "updateSingleFlags");
    if (!lock.ok())
        return false;
    const int working = numOfWorking();
    if (working < 0)
        return false;
    for (StationServices* s : stations)
        s->setAlone(working == 0 || (working == 1 && s->isOn()));
    return true;
}

// --- measurements

template <class Value>
std::optional<int> SEESGroup::sumOver(const char* method, Value value)
{
    LoggedLock lock(listMutex, 3000, dlog, name, method);
    if (!lock.ok())
        return std::nullopt;
    // Terms pinned into int cannot overflow a 64-bit sum.
    int64_t sum = 0;
    for (StationServices* s : stations)
        sum += Ravna::saturate<int>(static_cast<int64_t>(value(s)));
    return Ravna::saturate<int>(sum);
}

template <class Value>
std::optional<int> SEESGroup::firstPositive(const char* method, Value value)
{
    LoggedLock lock(listMutex, 3000, dlog, name, method);
    if (!lock.ok())
        return std::nullopt;
    for (StationServices* s : stations)
        if (const long v = value(s); v > 0)
            return Ravna::saturate<int>(v);
    return 0;
}

std::optional<int> SEESGroup::getP()
{
    return sumOver("getP", [](StationServices* s) { return s->getP(); });
}

std::optional<int> SEESGroup::getU()
{
    return firstPositive("getU", [](StationServices* s) { return s->getU(); });
}

std::optional<int> SEESGroup::getF()
{
    return firstPositive("getF", [](StationServices* s) { return s->getF(); });
}

std::optional<int> SEESGroup::getReservPower()
{
    return sumOver("getReservPower", [](StationServices* s) { return s->getReservPower(); });
}

void SEESGroup::checkDeviation()
{
    // A band that is off never reads its figure; one that could not be read is no
    // news, so the budget stays as it stands.
    auto check = [](DeviationWatch& w, auto read) {
        if (!w.enabled())
            w.check(false);
        else if (const std::optional<int> v = read())
            w.check(w.isOutside(*v));
    };
    check(udev, [this] { return getU(); });
    check(fdev, [this] { return getF(); });
}

void SEESGroup::DeviationWatch::arm(int timeoutMs)
{
    timer.setTiming(timeoutMs);
    active = true;
    left = timeoutMs;
    limit = timeoutMs;
}

void SEESGroup::DeviationWatch::check(bool outside)
{
    if (outside == active)
        return;
    active = outside;
    const int elapsed = static_cast<int>(timer.getCurrent());
    if (outside)
    {
        // Time inside refills the budget; the verdict comes when the rest runs out.
        left = std::min(left + elapsed, limit);
        timer.setTiming(left);
    }
    else
    {
        // The timer now measures the time inside.
        left = std::max(left - elapsed, 0);
        timer.setTiming(elapsed);
    }
}

// --- printing

void printStations(std::ostream& os, const SEESGroup::StationList& list)
{
    os << "[";
    for (const StationServices* s : list)
        os << " " << s->getName();
    os << " ]";
}

std::ostream& operator<<(std::ostream& os, const SEESGroup& g)
{
    return os << g.getName();
}
