#include "UnionGroups.h"

#include <exception>

#include "Configuration.h"
#include "Exceptions.h"
#include "Ravna.h"
#include "Retry.h"
#include "UniXML.h"

using namespace UniSetTypes;

DebugStream UnionGroups::dlog;

void UnionGroups::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

UnionGroups::UnionGroups(int num) : name("Group" + std::to_string(num))
{
    SEESGroup::initLog(dlog);
    seesGroup = std::make_unique<SEESGroup>(num, "");
}

UnionGroups::UnionGroups(xmlNode* groupElement)
{
    const int num = UniXML::getIntProp(groupElement, "num");
    if (num <= 0)
        throw Exception("(UnionGroups::init): num=" + std::to_string(num) + " must be > 0");
    name = "Group" + std::to_string(num);

    UniXML_iterator items(groupElement);
    if (!items.goChildren())
        throw Exception(name + ": FAILED! No <items> for <group> num=" + std::to_string(num));

    SEESGroup::initLog(dlog);
    seesGroup = std::make_unique<SEESGroup>(num, "");

    const std::pair<const char*, ObjectId UnionGroups::*> attributes[] = {
        {"noReserv_s", &UnionGroups::noReserv_s},         {"readyForLoading_s", &UnionGroups::readyForLoading_s},
        {"P_as", &UnionGroups::P_as},                     {"U_as", &UnionGroups::U_as},
        {"f_as", &UnionGroups::f_as},                     {"fdev_c", &UnionGroups::fdev_c},
        {"Udev_c", &UnionGroups::Udev_c},                 {"ReservPower_as", &UnionGroups::ReservPower_as},
        {"requiredReserv_s", &UnionGroups::requiredReserv_s}};
    for (const auto& [attribute, field] : attributes)
    {
        this->*field = conf->getSensorID(UniXML::getProp(groupElement, attribute));
        if (this->*field == DefaultObjectId)
            dlog.warn() << name << "(buildGroup): ignore.. Unknown '" << attribute << "' for group number" << num
                        << std::endl;
    }
}

UnionGroups::~UnionGroups() = default;

bool UnionGroups::addGroup(UnionGroups* child)
{
    const bool joined = seesGroup->addGroup(*child->seesGroup);
    children.push_back(child);
    return joined;
}

void UnionGroups::clearChildren() { children.clear(); }

bool UnionGroups::clear()
{
    clearChildren();
    return seesGroup->clearStations();
}

// Runs f; whatever it throws is logged as this node's and goes no further, so a
// walk over the groups goes on with the next one.
template <class F>
void UnionGroups::guarded(const char* method, F f)
{
    try
    {
        f();
    }
    catch (const std::exception& ex)
    {
        dlog.crit() << name << "(" << method << "): " << ex.what() << std::endl;
    }
    catch (...)
    {
        dlog.crit() << name << "(" << method << "): catch ..." << std::endl;
    }
}

// --- required reserve

void UnionGroups::recordRequiredReserv(const SensorMessage* sm)
{
    if (requiredReserv_s != DefaultObjectId && requiredReserv_s == sm->id)
        requiredReservState = sm->state;
    for (UnionGroups* child : children)
        child->recordRequiredReserv(sm);
}

bool UnionGroups::updateRequiredReserv(const SensorMessage* sm)
{
    recordRequiredReserv(sm);
    return handRequiredReserv();
}

bool UnionGroups::handRequiredReserv()
{
    // Only the node asked gives its stations the demand, so each station hears the
    // final value once per message, not false first.
    bool required = false;
    for (const UnionGroups* child : children)
        required = required || child->requiredReservState;
    bool handed = true;
    guarded("updateRequiredReserv", [&] { handed = seesGroup->setRequiredReserv(required); });
    return handed;
}

bool UnionGroups::askSensors(UniversalInterface& ui, UniversalIO::UIOCommand cmd)
{
    bool done = true;
    if (requiredReserv_s != DefaultObjectId)
    {
        try
        {
            ui.askSensor(requiredReserv_s, cmd);
        }
        catch (const Exception& ex)
        {
            dlog.crit() << name << "(askSensors): " << ex << std::endl;
            done = false;
        }
        catch (...)
        {
            dlog.crit() << name << "(askSensors): catch(...)" << std::endl;
            done = false;
        }
    }
    // One child that cannot be asked leaves the others asked.
    for (UnionGroups* child : children)
        done = child->askSensors(ui, cmd) && done;
    return done;
}

// --- outputs

bool UnionGroups::publish(ObjectId UnionGroups::*sensor, const char* method, std::optional<long> figure,
                          Write how, UniversalInterface& ui)
{
    if (!figure)
        return false;
    const long value = *figure;
    auto writeTo = [&](ObjectId id) {
        return [&ui, id, value, how] {
            switch (how)
            {
            case Write::analogInput:
                ui.saveValue(id, value, UniversalIO::AnalogInput);
                break;
            case Write::digitalInput:
                ui.saveState(id, value != 0, UniversalIO::DigitalInput);
                break;
            case Write::output:
                ui.setState(id, value != 0);
                break;
            }
        };
    };
    auto logFailure = [&](const Exception& ex) { dlog.crit() << name << "(" << method << "): " << ex << std::endl; };

    if (this->*sensor != DefaultObjectId)
        Ravna::retryWrite(1, 0, writeTo(this->*sensor), logFailure);
    for (UnionGroups* child : children)
        if (child->*sensor != DefaultObjectId)
            Ravna::retryWrite(3, 100, writeTo(child->*sensor), logFailure);
    return true;
}

bool UnionGroups::updateReadyForLoading(UniversalInterface& ui)
{
    // A step that throws is dropped, as it would throw again; one that could not
    // have its locks is done again.
    bool done = true;
    guarded("updateReadyForLoading", [&] { done = seesGroup->step(); });
    done = updateNoReserv(ui) && done;
    return publish(&UnionGroups::readyForLoading_s, "updateReadyForLoading", seesGroup->isReadyForLoading(),
                   Write::digitalInput, ui) &&
           done;
}

bool UnionGroups::updateNoReserv(UniversalInterface& ui)
{
    return publish(&UnionGroups::noReserv_s, "updateNoReserv", seesGroup->noReserv(), Write::digitalInput, ui);
}

void UnionGroups::updateP(UniversalInterface& ui)
{
    publish(&UnionGroups::P_as, "updateP", seesGroup->getP(), Write::analogInput, ui);
}

void UnionGroups::updateU(UniversalInterface& ui)
{
    publish(&UnionGroups::U_as, "updateU", seesGroup->getU(), Write::analogInput, ui);
}

void UnionGroups::updateF(UniversalInterface& ui)
{
    publish(&UnionGroups::f_as, "updateF", seesGroup->getF(), Write::analogInput, ui);
}

void UnionGroups::updateFdev(UniversalInterface& ui)
{
    publish(&UnionGroups::fdev_c, "updateFdev", seesGroup->getFdev(), Write::output, ui);
}

void UnionGroups::updateUdev(UniversalInterface& ui)
{
    publish(&UnionGroups::Udev_c, "updateUdev", seesGroup->getUdev(), Write::output, ui);
}

void UnionGroups::updateReservPower(UniversalInterface& ui)
{
    publish(&UnionGroups::ReservPower_as, "updateReservPower", seesGroup->getReservPower(), Write::analogInput, ui);
}

void UnionGroups::updatePowerInfo(UniversalInterface& ui)
{
    guarded("updatePowerInfo", [&] {
        updateP(ui);
        updateU(ui);
        updateF(ui);
        seesGroup->checkDeviation();
        updateFdev(ui);
        updateUdev(ui);
    });
}

void UnionGroups::checkTimers()
{
    guarded("checkTimers", [&] { seesGroup->checkTimers(); });
}

// --- printing

void UnionGroups::printChildren(std::ostream& os, const Children& list)
{
    for (const UnionGroups* child : list)
    {
        os << " (";
        printStations(os, child->group().members());
        os << ")";
    }
}

std::ostream& operator<<(std::ostream& os, const UnionGroups& g)
{
    os << g.getName();
    UnionGroups::printChildren(os, g.getChildren());
    return os;
}
