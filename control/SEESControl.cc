#include "SEESControl.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <optional>

#include "Configuration.h"
#include "Exceptions.h"
#include "LoggedLock.h"
#include "Ravna.h"
#include "Retry.h"
#include "UniXML.h"

using namespace UniSetTypes;
using Ravna::LoggedLock;

DebugStream SEESControl::dlog;

void SEESControl::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

namespace
{
    // A band of nominal +- nominal * deviation, rounded half away from zero; 0 to 0
    // while the deviation is not positive.
    void band(int nominal, float deviation, int& low, int& high)
    {
        if (!(deviation > 0))
            return;
        const long d = std::lround(static_cast<float>(nominal) * deviation);
        low = static_cast<int>(nominal - d);
        high = static_cast<int>(nominal + d);
    }

    // Stops a child's thread and subscriptions before it goes.
    template <class Child>
    void dropObject(ObjectsManager& owner, std::unique_ptr<Child>& child)
    {
        if (child)
            owner.removeObject(child.get());
        child.reset();
    }

    template <class Child>
    void dropManager(ObjectsManager& owner, std::unique_ptr<Child>& child)
    {
        if (child)
            owner.removeManager(child.get());
        child.reset();
    }
}

// --- construction

SEESControl::SEESControl(const std::string& name, xmlNode* cnode)
    : SEESControl_SK(conf->getObjectID(name), cnode), _grMutex(name + "_grMutex")
{
    buildControlObjects(cnode);

    msgTrigger = std::make_unique<ExclusiveTrigger<SEESControl_SK, ObjectId, bool>>(this, &SEESControl_SK::setMsg);
    msgTrigger->add(mid_ProtectionNotReset_Att);

    readSettings();

    UnionGroups::initLog(dlog);
    buildSESList(cnode);
    buildAutomatList(cnode);
    buildOFFList(cnode);
    buildStructure(cnode);
}

SEESControl::SEESControl() : SEESControl_SK() {}

SEESControl::~SEESControl()
{
    // The working groups point into the structure groups, both to the stations.
    groupList.clear();
    structList.clear();
    asensorList.clear();
    for (auto& s : sesList)
        dropManager(*this, s);
    sesList.clear();
    msgTrigger.reset();
    dropObject(*this, priorityController);
    automatTable.clear();
    for (auto& a : automatObjects)
        dropObject(*this, a);
    dropManager(*this, ravnaLogic);
}

void SEESControl::fail(const std::string& text) const
{
    dlog.crit() << text << std::endl;
    throw Exception(text);
}

void SEESControl::buildControlObjects(xmlNode* cnode)
{
    const std::string& myname = getName();
    xmlNode* plist = conf->findNode(cnode, "prioritylist");
    if (!plist)
        fail(myname + "(init): Not found <prioritylist>");

    auto idOf = [&](xmlNode* node) {
        const std::string name = node ? conf->getProp(node, "name") : "";
        const ObjectId id = conf->getObjectID(name);
        if (id == DefaultObjectId)
            fail(myname + "(init): Not found ObjectID for " + name);
        return id;
    };

    try
    {
        priorityController = std::make_unique<PriorityController>(idOf(plist), plist, dlog);
        addObject(priorityController.get());

        xmlNode* rnode = conf->findNode(cnode, "RavnaLogic");
        const ObjectId rid = idOf(rnode);
        RavnaLogic::initLog(dlog);
        ravnaLogic = std::make_unique<RavnaLogic>(rid, rnode);
        addManager(ravnaLogic.get());
    }
    catch (const Exception& ex)
    {
        dlog.crit() << myname << "(init): create RavnaLogic failed: " << ex << std::endl;
        throw Exception(ex.text);
    }
}

void SEESControl::readSettings()
{
    const Configuration& c = *conf;
    auto setting = [&](const char* option, const char* property, int def) {
        return c.getArgPInt(option, c.getProp(confNode, property), def);
    };
    auto fraction = [&](const char* option, const char* property) {
        return static_cast<float>(std::strtod(c.getArgParam(option, c.getProp(confNode, property)).c_str(), nullptr));
    };

    checkReservTime = setting("--check-reserv-time", "checkReservTime", 5000);
    updatePowerTimer.setTiming(setting("--update-power-info", "updatePowerTime", 1000));
    reservStatePause = setting("--reserv-state-pause", "reservStatePause", 10000);
    reservCommandTimeout = setting("--reserv-command-timeout", "reservCommandTimeout", 50000);
    maxWorkingDG = setting("--max-working-dg", "maxWorkingDG", 3);
    if (const int t = setting("--reserv-power-msec", "reservPowerTime", 500); t > 0)
        reservPowerTimer.setTiming(t);
    const float deviation_f = fraction("--deviation-f", "deviation_f");
    const float deviation_U = fraction("--deviation-U", "deviation_U");
    const int f_nom = setting("--deviation-f-nom", "deviation_f_nom", 50);
    const int U_nom = setting("--deviation-U-nom", "deviation_U_nom", 400);
    deviation_f_timeout_msec = setting("--deviation-f-msec", "deviation_f_timeout_msec", 10000);
    deviation_U_timeout_msec = setting("--deviation-U-msec", "deviation_U_timeout_msec", 10000);

    band(f_nom, deviation_f, f_min, f_max);
    band(U_nom, deviation_U, U_min, U_max);
    dlog.info() << *this << "(init): f_min=" << f_min << " f_max=" << f_max << " U_min=" << U_min
                << " U_max=" << U_max << std::endl;
}

GroupSettings SEESControl::groupSettings() const
{
    GroupSettings s;
    s.reservStatePause = reservStatePause;
    s.reservCommandTimeout = reservCommandTimeout;
    s.checkReservTime = checkReservTime;
    s.maxWorking = maxWorkingDG;
    s.f_min = f_min;
    s.f_max = f_max;
    s.U_min = U_min;
    s.U_max = U_max;
    s.fdevTimeout = deviation_f_timeout_msec;
    s.udevTimeout = deviation_U_timeout_msec;
    return s;
}

// --- the configuration lists

void SEESControl::buildSESList(xmlNode* cnode)
{
    const std::string& myname = getName();
    UniXML_iterator it(conf->findNode(cnode, "seslist"));
    if (!it.valid())
        throw Exception(myname + ": FAILED! <seslist> not found!");
    if (!it.goChildren())
        throw Exception(myname + ": FAILED! <seslist> empty!");

    SEES::initLog(dlog);
    for (; it.valid(); it.goNext())
    {
        const std::string name = it.getProp("name");
        if (name.empty())
        {
            dlog.warn() << myname << "(buildSESList): (name='') ignore " << it.getName() << std::endl;
            continue;
        }
        xmlNode* node = conf->getNode(name);
        if (!node)
            throw Exception(myname + ": FAILED! confnode not found for " + name);
        sesList.push_back(std::make_unique<SEES>(0, name, this, node));
        addManager(sesList.back().get());
    }
}

void SEESControl::buildAutomatList(xmlNode* cnode)
{
    const std::string& myname = getName();
    UniXML_iterator it(conf->findNode(cnode, "automatlist"));
    if (!it.valid() || !it.goChildren())
        return;

    Automat::initLog(dlog);
    for (; it.valid(); it.goNext())
    {
        const std::string name = it.getProp("name");
        if (name.empty())
        {
            dlog.warn() << myname << "(buildAutomatList): (name='') ignore " << it.getName() << std::endl;
            continue;
        }
        xmlNode* node = conf->getNode(name);
        if (!node)
            throw Exception(myname + ": FAILED! confnode not found for " + name);
        const int power = it.getIntProp("power");
        // The breaker registers itself with us as a child object.
        automatObjects.push_back(std::make_unique<Automat>(name, this, node));
        Automat* avt = automatObjects.back().get();
        avt->setOffOnlyMode();
        addObject(avt);
        automatTable.push_back({avt, power, name});
        dlog.info() << myname << "(buildAutomatList): add " << name << std::endl;
    }
}

void SEESControl::buildOFFList(xmlNode* cnode)
{
    const std::string& myname = getName();
    UniXML_iterator it(conf->findNode(cnode, "offlist"));
    if (!it.valid())
    {
        dlog.warn() << myname << "(buildOFFList): <offlist> not found..." << std::endl;
        return;
    }
    if (!it.goChildren())
    {
        dlog.warn() << myname << "(buildOFFList): <offlist> EMPTY!!" << std::endl;
        return;
    }

    auto messageOf = [&](const std::string& name) {
        if (name.empty())
            return DefaultObjectId;
        const ObjectId id = conf->getSensorID(name);
        if (id == DefaultObjectId)
            dlog.crit() << myname << "(buildOFFList): " << name << " NOT FOUND IN SENSORS LIST" << std::endl;
        return id;
    };

    for (; it.valid(); it.goNext())
    {
        const std::string prev = it.getProp("prev");
        const std::string cur = it.getProp("cur");
        if (prev.empty() || cur.empty())
        {
            dlog.warn() << myname << "(buildOFFList): (name='') ignore " << it.getName() << std::endl;
            continue;
        }
        OffEntry e;
        e.prev = findAutomatIndex(prev);
        if (e.prev < 0)
        {
            dlog.warn() << myname << "(buildOFFList): " << prev << " NOT FOUND AUTOMAT IN <automatlist> " << std::endl;
            continue;
        }
        e.cur = findAutomatIndex(cur);
        if (e.cur < 0)
        {
            dlog.warn() << myname << "(buildOFFList): " << cur << " NOT FOUND AUTOMAT IN <automatlist> " << std::endl;
            continue;
        }
        e.off_msec = it.getIntProp("off_msec");
        // A link without a delay would start a timer that never runs and never open anything.
        if (e.off_msec <= 0)
        {
            dlog.warn() << myname << "(buildOFFList): " << prev << " <- " << cur << " off_msec=" << e.off_msec
                        << " must be > 0, ignore" << std::endl;
            continue;
        }
        e.prepare_mid = messageOf(it.getProp("prepare_mid"));
        e.mid = messageOf(it.getProp("mid"));
        dlog.info() << myname << "(buildOffList): add a=" << prev << " b=" << cur << " off_msec=" << e.off_msec
                    << std::endl;
        offList.push_back(e);
    }
}

void SEESControl::buildStructure(xmlNode* cnode)
{
    const std::string& myname = getName();
    UniXML_iterator it(conf->findNode(cnode, "structure"));
    if (!it.valid())
        throw Exception(myname + ": FAILED! <structure> not found!");
    if (!it.goChildren())
        throw Exception(myname + ": FAILED! <structure> empty!");

    for (; it.valid(); it.goNext())
    {
        const std::string kind = it.getName();
        if (kind == "group")
            buildGroup(it);
        else if (kind == "automat")
            buildAutomat(it);
        else if (kind == "asensor")
            buildASensor(it);
        else
            throw Exception(myname + "(buildStructure): Unknown element type='" + kind + "'");
    }
    // Without one the groups are built once, at start-up, and never follow a bus tie.
    if (asensorList.empty())
        dlog.warn() << myname << "(buildStructure): no <asensor> in <structure>: the working groups are fixed"
                    << std::endl;
}

void SEESControl::buildGroup(xmlNode* element)
{
    const std::string& myname = getName();
    UniXML_iterator it(element);
    const int num = it.getIntProp("num");
    UniXML_iterator items(element);
    if (!items.goChildren())
        throw Exception(myname + ": FAILED! No <items> for <group> num=" + std::to_string(num));

    StructureObject entry;
    entry.kind = StructureObject::kGroup;
    entry.group = std::make_unique<UnionGroups>(element);
    entry.group->group().configure(groupSettings());
    UnionGroups* group = entry.group.get();
    structList.push_back(std::move(entry));

    for (; items.valid(); items.goNext())
    {
        const std::string name = items.getProp("name");
        if (name.empty())
            fail(myname + "(buildSESList): Unknown <item> name=''. (" + it.getName() + ")");
        SEES* station = findSEES(name);
        if (!station)
            fail(myname + "(buildSESList): FAILED! <seslist>. Not found in seslist name='" + name + "'");
        group->group().addSES(station);
    }
}

void SEESControl::buildAutomat(xmlNode* element)
{
    const std::string& myname = getName();
    UniXML_iterator it(element);
    const std::string name = it.getProp("name");
    if (name.empty())
        fail(myname + "(buildAutomat): (name='') ignore " + it.getName());
    Automat* avt = findAutomat(name);
    if (!avt)
        fail(myname + "(buildAutomat): FAILED! <automat>. Not found in automatlist name='" + name + "'");
    StructureObject entry;
    entry.kind = StructureObject::kAutomat;
    entry.avt = avt;
    structList.push_back(std::move(entry));
}

void SEESControl::buildASensor(xmlNode* element)
{
    const std::string& myname = getName();
    UniXML_iterator it(element);
    const std::string name = it.getProp("name");
    if (name.empty())
    {
        const std::string text = myname + "(buildASensor): (name='') ignore " + it.getName();
        dlog.warn() << text << std::endl;
        throw Exception(text);
    }
    const ObjectId id = conf->getSensorID(name);
    if (id == DefaultObjectId)
        fail(myname + "(buildASensor): Unknown sensor ID for name='" + name + "'");
    asensorList.push_back(std::make_unique<ASensor>(id, name));
    StructureObject entry;
    entry.kind = StructureObject::kASensor;
    entry.asensor = asensorList.back().get();
    structList.push_back(std::move(entry));
}

SEES* SEESControl::findSEES(const std::string& name) const
{
    for (const auto& s : sesList)
        if (s->getName() == name)
            return s.get();
    return nullptr;
}

int SEESControl::findAutomatIndex(const std::string& name) const
{
    for (size_t i = 0; i < automatTable.size(); ++i)
        if (automatTable[i].name == name)
            return static_cast<int>(i);
    return -1;
}

Automat* SEESControl::findAutomat(const std::string& name) const
{
    const int i = findAutomatIndex(name);
    return i < 0 ? nullptr : automatTable[i].avt;
}

// --- messages

void SEESControl::processingMessage(VoidMessage* msg)
{
    try
    {
        if (msg->type == AutomatMessage::MessageTypeID)
        {
            const AutomatMessage am(msg);
            automatInfo(&am);
        }
        else if (msg->type == SEESMessage::MessageTypeID)
        {
            const SEESMessage sm(msg);
            seesInfo(&sm);
        }
        else
            SEESControl_SK::processingMessage(msg);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << *this << "(processingMessage): " << ex << std::endl;
    }
}

void SEESControl::seesInfo(const SEESMessage* m)
{
    switch (m->event)
    {
    case SEESMessage::NeedOnReserv:
        dlog[Debug::LEVEL4] << *this << "(NeedOnReserv): sees" << m->ses << " state=" << m->state << std::endl;
        break;
    case SEESMessage::NeedOffReserv:
        dlog[Debug::LEVEL4] << *this << "(NeedOffReserv): sees" << m->ses << " state=" << m->state << std::endl;
        break;
    case SEESMessage::Protection:
    case SEESMessage::ModeChange:
    case SEESMessage::Overload95:
    case 3:
    case 4:
    case SEESMessage::Warning:
    case SEESMessage::PriorityChange:
    case SEESMessage::ReservCommandConflict:
        break;
    default:
        dlog.crit() << *this << "(seesInfo):  Unknown SEESMessage:event=" << m->event << " from ses=" << m->ses
                    << std::endl;
        break;
    }
    // Whatever a station reports, the groups take a fresh look.
    checkProtection();
    updateGroups();
}

void SEESControl::askSensors(UniversalIO::UIOCommand cmd)
{
    std::list<ObjectId> ids;
    for (const auto& a : asensorList)
        ids.push_back(a->id);
    // A sensor that could not be asked is asked again: the groups would never follow it.
    askUntilDone(
        ids, [&](ObjectId id) { ui.askSensor(id, cmd); },
        [&](const Exception& ex) { dlog.crit() << *this << "(askSensors): " << ex << std::endl; });

    for (const StructureObject& s : structList)
        if (s.kind == StructureObject::kGroup && s.group)
            retryUntilDone([&] { return s.group->askSensors(ui, cmd); });

    if (cmd != UniversalIO::UIONotify)
        return;
    // The working groups stand from the start, also where no bus tie ever reports.
    for (const auto& a : asensorList)
    {
        try
        {
            a->value = ui.getValue(a->id);
        }
        catch (const Exception& ex)
        {
            dlog.crit() << *this << "(askSensors): " << ex << std::endl;
        }
    }
    updateStructure();
    updateGroups();
}

void SEESControl::sensorInfo(const SensorMessage* sm)
{
    try
    {
        if (sm->id == SEES_ProtReset_S && sm->state)
            ravnaLogic->resetQC();
        else if (sm->id == QG_RemoteControl_S)
        {
            if (sm->state)
                ravnaLogic->startQCControl();
            else
                ravnaLogic->stopQCControl();
        }

        bool matched = false;
        for (const auto& a : asensorList)
            matched = a->check(sm) || matched;
        if (matched)
        {
            updateStructure();
            updateGroups();
        }

        // The configured groups are this thread's own: the demand is recorded at once,
        // even when the lock to hand it to the stations is not had.
        for (const StructureObject& s : structList)
            if (s.kind == StructureObject::kGroup && s.group)
                s.group->recordRequiredReserv(sm);
        nowOrLater(putOff.requiredReserv, 4000, "sensorInfo", [this] { return handRequiredReserv(); });
    }
    catch (const Exception& ex)
    {
        dlog.crit() << *this << "(sensorInfo): " << ex << std::endl;
    }
}

void SEESControl::step()
{
    apsLamp.set(protection);
    apsLamp.acknowledge(in_SEES_ProtReset_S);
    out_SEES_ProtResetLamp_C = apsLamp.state();
    out_QG_LocalControlLamp_C = in_QG_RemoteControl_S ? 0 : 1;

    {
        LoggedLock lock(_grMutex, 2000, dlog, getName(), "step");
        if (lock.ok())
        {
            completeReleases();
            completePutOff();
            for (const auto& g : groupList)
                g->checkTimers();
        }
    }

    if (reservPowerTimer.checkTime())
    {
        updateReservPower();
        reservPowerTimer.reset();
    }
    if (updatePowerTimer.checkTime())
    {
        updatePowerInfo();
        updatePowerTimer.reset();
    }
}

// --- the groups

template <class F>
void SEESControl::forEachGroup(const char* method, F f)
{
    // One faulty group does not keep the others from their work.
    for (const auto& g : groupList)
        contained(method, g->getName(), [&] { f(*g); });
}

template <class F>
void SEESControl::contained(const char* method, const std::string& who, F f)
{
    try
    {
        f();
    }
    catch (const std::exception& ex)
    {
        dlog.crit() << *this << "(" << method << "): " << who << ": " << ex.what() << std::endl;
    }
    catch (...)
    {
        dlog.crit() << *this << "(" << method << "): " << who << ": catch ..." << std::endl;
    }
}

template <class Work>
void SEESControl::nowOrLater(bool& due, int timeoutMs, const char* method, Work work)
{
    LoggedLock lock(_grMutex, timeoutMs, dlog, getName(), method, "put off until the lock is had");
    if (lock.ok())
        runDuty(due, method, work);
    else
        due = true;
}

template <class Work>
void SEESControl::runDuty(bool& due, const char* method, Work work)
{
    // Due until done whole: one that throws is logged and done again at the next pass,
    // and keeps none of the others, nor the groups' timers, from their work.
    due = true;
    contained(method, "due again", [&] { due = !work(); });
}

void SEESControl::completePutOff()
{
    if (putOff.structure)
    {
        runDuty(putOff.structure, "updateStructure", [this] { return restructure(); });
        if (!putOff.structure)
        {
            // The groups as built now get what a tie's message gives them next.
            putOff.groups = true;
            putOff.requiredReserv = true;
        }
    }
    if (putOff.protection)
        runDuty(putOff.protection, "checkProtection", [this] { return refreshProtection(); });
    if (putOff.groups)
        runDuty(putOff.groups, "updateGroups", [this] { return refreshGroups(); });
    if (putOff.requiredReserv)
        runDuty(putOff.requiredReserv, "sensorInfo", [this] { return handRequiredReserv(); });
}

bool SEESControl::checkProtection()
{
    nowOrLater(putOff.protection, 5000, "checkProtection", [this] { return refreshProtection(); });
    return protection;
}

bool SEESControl::refreshProtection()
{
    // A group whose stations could not be read leaves the flag as it was, unless
    // another group has protection.
    bool unread = false;
    for (const auto& g : groupList)
    {
        const std::optional<bool> p = g->group().hasProtection();
        if (p.value_or(false))
        {
            protection = true;
            return true;
        }
        unread = unread || !p;
    }
    if (!unread)
        protection = false;
    return !unread;
}

void SEESControl::updateGroups()
{
    nowOrLater(putOff.groups, 4000, "updateGroups", [this] { return refreshGroups(); });
}

bool SEESControl::refreshGroups()
{
    bool done = true;
    forEachGroup("updateGroups", [&](UnionGroups& g) { done = g.updateReadyForLoading(ui) && done; });
    return done;
}

bool SEESControl::handRequiredReserv()
{
    bool done = true;
    for (const auto& g : groupList)
        done = g->handRequiredReserv() && done;
    return done;
}

void SEESControl::updateReservPower()
{
    LoggedLock lock(_grMutex, 4000, dlog, getName(), "updateReservPower");
    if (lock.ok())
        forEachGroup("updateReservPower", [&](UnionGroups& g) { g.updateReservPower(ui); });
}

void SEESControl::updatePowerInfo()
{
    LoggedLock lock(_grMutex, 2200, dlog, getName(), "updatePowerInfo");
    if (lock.ok())
        forEachGroup("updatePowerInfo", [&](UnionGroups& g) { g.updatePowerInfo(ui); });
}

SEESControl::Topology SEESControl::readTopology() const
{
    Topology t;
    bool joined = false;
    for (const StructureObject& s : structList)
    {
        switch (s.kind)
        {
        case StructureObject::kGroup:
            if (!joined)
                t.emplace_back();
            t.back().push_back(s.group.get());
            joined = true;
            break;
        case StructureObject::kAutomat:
            try
            {
                joined = joined && s.avt->getState();
            }
            catch (const Exception&)
            {
                // An undefined tie parts nothing.
            }
            break;
        case StructureObject::kASensor:
            joined = joined && s.asensor->value != 0;
            break;
        default:
            break;
        }
    }
    return t;
}

void SEESControl::updateStructure()
{
    nowOrLater(putOff.structure, 5000, "updateStructure", [this] { return restructure(); });
}

bool SEESControl::restructure()
{
    Topology now = readTopology();
    // Groups built anew would lose the reserve commands in progress and the deviation time.
    if (groupsBuilt && now == topology)
        return true;
    if (!rebuildGroups(now))
        return false;
    topology = std::move(now);
    groupsBuilt = true;

    auto line = dlog.info();
    line << *this << "(updateStructure): ";
    for (const auto& g : groupList)
        line << *g << " ";
    line << std::endl;
    return true;
}

bool SEESControl::rebuildGroups(const Topology& t)
{
    auto unionOf = [&](UnionGroups* child) -> UnionGroups* {
        for (const auto& g : groupList)
        {
            const auto& c = g->getChildren();
            if (std::find(c.begin(), c.end(), child) != c.end())
                return g.get();
        }
        return nullptr;
    };

    // Per working group of t: the union the change left as it was, which stays as it
    // is, else none and one is made anew.
    auto numberOf = [](size_t i) { return 101 + static_cast<int>(i); };
    std::vector<UnionGroups*> kept;
    for (size_t i = 0; i < t.size(); ++i)
    {
        auto same = std::find_if(groupList.begin(), groupList.end(), [&](const auto& g) {
            const auto& c = g->getChildren();
            return g->group().getNum() == numberOf(i) && std::equal(c.begin(), c.end(), t[i].begin(), t[i].end());
        });
        kept.push_back(same != groupList.end() ? same->get() : nullptr);
    }
    auto replaced = [&](const UnionGroups* old) { return std::find(kept.begin(), kept.end(), old) == kept.end(); };

    // The new unions are made whole before any takes the place of the old, so that a
    // group's lock not had leaves the working groups as they were.
    std::vector<std::unique_ptr<UnionGroups>> made(t.size());
    for (size_t i = 0; i < t.size(); ++i)
    {
        if (kept[i])
            continue;
        auto g = std::make_unique<UnionGroups>(numberOf(i));
        g->group().configure(groupSettings());
        bool whole = true;
        for (UnionGroups* child : t[i])
            whole = g->addGroup(child) && whole;
        // The stations' reserve entries follow them; the busbar's deviation state is
        // that of the union that held its first section.
        UnionGroups* first = unionOf(t[i].front());
        for (const auto& old : groupList)
            if (replaced(old.get()))
                whole = g->group().takeOver(old->group(), old.get() == first) && whole;
        if (!whole)
            return false;
        made[i] = std::move(g);
    }

    std::list<std::unique_ptr<UnionGroups>> fresh;
    for (size_t i = 0; i < t.size(); ++i)
    {
        if (made[i])
        {
            fresh.push_back(std::move(made[i]));
            continue;
        }
        auto old = std::find_if(groupList.begin(), groupList.end(), [&](const auto& g) { return g.get() == kept[i]; });
        fresh.push_back(std::move(*old));
    }
    groupList = std::move(fresh);
    return true;
}

// --- the stations' calls

template <class F>
bool SEESControl::askGroups(F f)
{
    for (const auto& g : groupList)
    {
        try
        {
            f(g->group());
            return true;
        }
        catch (const NameNotFound&)
        {
            // Not this group's station.
        }
    }
    return false;
}

bool SEESControl::canRun(int num)
{
    LoggedLock lock(_grMutex, 5000, dlog, getName(), "canRun");
    if (!lock.ok())
        return false;
    bool answer = false;
    if (askGroups([&](SEESGroup& g) { answer = g.canRun(num); }))
        return answer;
    dlog.crit() << *this << "(canRun):  Unknown GROUP for ses" << num << std::endl;
    return false;
}

bool SEESControl::acceptQG(int num, bool on)
{
    LoggedLock lock(_grMutex, 5000, dlog, getName(), "acceptQG");
    if (!lock.ok())
        return false;

    // A release asked for before this ask comes first; until it is done, no ask of
    // the same station may be granted, or the late release would take the new leave.
    completeReleases();
    if (releaseKept(num))
    {
        dlog.info() << *this << "(acceptQG): QG" << num << " not yet released...(please wait)" << std::endl;
        return false;
    }

    if (acceptedQG == num)
    {
        dlog.info() << *this << "(acceptQG): QG" << num << " ALREADY ACCEPTED..." << std::endl;
        return true;
    }
    if (acceptedQG != 0)
    {
        dlog.info() << *this << "(acceptQG): NOT ACCEPT QG" << num << " qf locked..." << std::endl;
        return false;
    }

    // The bus-tie logic holds QC for this switching until the station gives it back.
    qcBlockHolder = num;
    if (!ravnaLogic->prepareQC(on))
    {
        dlog.info() << *this << "(acceptQG): prepare QC failed...(please wait)" << std::endl;
        return false;
    }

    int holder = 0;
    if (askGroups([&](SEESGroup& g) { holder = g.acceptQG(num); }))
    {
        // 0: the group's lock was not had; the station asks again.
        acceptedQG = holder;
        return holder == num;
    }
    acceptedQG = num;
    dlog.info() << *this << "(acceptQG): ACCEPT QG" << num << std::endl;
    return true;
}

void SEESControl::releaseQG(int num)
{
    // Kept first: when the lock is not had in time, its next holder does it.
    keepRelease(num);
    LoggedLock lock(_grMutex, 4000, dlog, getName(), "releaseQG", "the release is kept until the lock is had");
    if (lock.ok())
        completeReleases();
}

bool SEESControl::giveBack(int num)
{
    // Only what this station holds is given back: a release by another would let
    // a second switching start while the first is under way.
    const bool holdsLeave = acceptedQG == num;
    const bool holdsQC = qcBlockHolder == num;
    if (holdsLeave || holdsQC)
    {
        // The bus-tie logic's lock not had: the hold stands, so the release is kept whole.
        if (!ravnaLogic->releaseQCBlock())
            return false;
        qcBlockHolder = 0;
    }

    auto answer = SEESGroup::Release::notHeld;
    const bool member = askGroups([&](SEESGroup& g) { answer = g.releaseQG(num); });
    if (answer == SEESGroup::Release::notLocked)
        return false;
    // A member's group has told about a release of what it did not hold.
    if (holdsLeave && (answer == SEESGroup::Release::released || !member))
        acceptedQG = 0;
    if (!member && !holdsLeave && !holdsQC)
        dlog.warn() << *this << "(releaseQG): RELEASE QG" << num << " BUT NOT ACCEPTED!!" << std::endl;
    return true;
}

void SEESControl::completeReleases()
{
    std::vector<int> due;
    {
        std::lock_guard<std::mutex> guard(releasesMutex);
        due = keptReleases;
    }
    // Each release leaves the list only once it is done: one that fails, however it
    // fails, stays for the next holder and keeps none of the others from being done.
    for (int num : due)
    {
        bool done = false;
        contained("releaseQG", "QG" + std::to_string(num), [&] { done = giveBack(num); });
        if (done)
            forgetRelease(num);
    }
}

void SEESControl::forgetRelease(int num)
{
    std::lock_guard<std::mutex> guard(releasesMutex);
    keptReleases.erase(std::remove(keptReleases.begin(), keptReleases.end(), num), keptReleases.end());
}

void SEESControl::keepRelease(int num)
{
    std::lock_guard<std::mutex> guard(releasesMutex);
    if (std::find(keptReleases.begin(), keptReleases.end(), num) == keptReleases.end())
        keptReleases.push_back(num);
}

bool SEESControl::releaseKept(int num)
{
    std::lock_guard<std::mutex> guard(releasesMutex);
    return std::find(keptReleases.begin(), keptReleases.end(), num) != keptReleases.end();
}

bool SEESControl::isAlone(int num)
{
    LoggedLock lock(_grMutex, 5000, dlog, getName(), "isAlone");
    // Not known to be alone is no leave to stop the last set.
    if (!lock.ok())
        return true;

    auto noOtherOn = [num](const auto& list) {
        return std::none_of(list.begin(), list.end(), [num](const auto& s) { return s->num != num && s->isOn(); });
    };
    // The sets that feed the same busbars: the caller's working group.
    for (const auto& g : groupList)
    {
        const SEESGroup::StationList& members = g->group().members();
        if (std::any_of(members.begin(), members.end(), [num](const StationServices* s) { return s->num == num; }))
            return noOtherOn(members);
    }
    return noOtherOn(sesList);
}

// --- the switch-off chain

void SEESControl::automatInfo(const AutomatMessage* am)
{
    if (am->kind == AutomatMessage::kState && am->code == AutomatMessage::stOn)
        checkOffList(am->id);
}

void SEESControl::checkOffList(ObjectId qid)
{
    dlog[Debug::LEVEL5] << *this << "(checkOffList): for Qid=" << qid << std::endl;
    for (size_t i = 0; i < offList.size(); ++i)
    {
        OffEntry& e = offList[i];
        Automat* cur = automatTable[e.cur].avt;
        if (cur->getId() != qid || e.started || !cur->getState())
            continue;
        dlog[Debug::LEVEL5] << *this << "(checkOffList): запускаем время на отключение "
                            << automatTable[e.prev].name << std::endl;
        askTimer(static_cast<int>(i) + 1, e.off_msec);
        e.started = true;
    }
}

void SEESControl::timerInfo(const TimerMessage* tm)
{
    const int id = tm->id;
    if (id <= 0 || id > static_cast<int>(offList.size()))
        return;
    OffEntry& e = offList[id - 1];
    const std::string& prevName = automatTable[e.prev].name;
    if (!e.started)
    {
        dlog.warn() << *this << "(timerInfo): "
                    << " wrong timer for " << prevName << std::endl;
        return;
    }
    // Once per closing.
    e.started = false;
    askTimer(id, 0);
    dlog.info() << *this << "(timerInfo): "
                << " automatic off " << prevName << std::endl;
    if (automatTable[e.cur].avt->getState())
        automatTable[e.prev].avt->cmdOff();
    else
        dlog.info() << *this << "(timerInfo): "
                    << " INGNORE automatic off for " << prevName << std::endl;
}

// --- operator's calls

void SEESControl::setControl(bool state)
{
    dlog.info() << *this << "(setControl): state" << state << std::endl;
    for (const AutomatEntry& e : automatTable)
    {
        if (!e.avt)
            continue;
        if (state)
            e.avt->cmdWake();
        else
            e.avt->cmdSleep();
    }
    if (state)
        ravnaLogic->startQCControl();
    else
        ravnaLogic->stopQCControl();
}

void SEESControl::command(ObjectId id, bool state)
{
    const bool done = Ravna::retryWrite(3, 100, [&] { setBoolState(id, state); }, [](const Exception&) {});
    if (!done)
        dlog.crit() << *this << "(command): "
                    << " Не удалось сохранить id=" << id << " state=" << state << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SEESControl& c)
{
    return os << c.getName();
}
