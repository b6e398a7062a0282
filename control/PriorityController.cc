#include "PriorityController.h"

#include "Configuration.h"
#include "Exceptions.h"
#include "Retry.h"
#include "UniXML.h"

using namespace UniSetTypes;

PriorityController::PriorityController(ObjectId id, xmlNode* node, const DebugStream& lg)
    : PriorityController_SK(id, node), log(lg)
{
    readLists(node);
}

PriorityController::~PriorityController() = default;

void PriorityController::fail(const std::string& text)
{
    const std::string line = getName() + text;
    log.crit() << line << std::endl;
    throw Exception(line);
}

ObjectId PriorityController::sensorOf(const std::string& name)
{
    const ObjectId sid = conf->getSensorID(name);
    if (sid == DefaultObjectId)
        fail("(init): Sensor ID not found for " + name);
    return sid;
}

void PriorityController::readLists(xmlNode* node)
{
    UniXML_iterator it(node);
    if (!it.goChildren())
        fail("(init): Not found items..");

    for (; it.valid(); it.goNext())
    {
        const std::string listName = it.getProp("name");
        if (!it.getProp("default").empty())
        {
            if (!defaultList.empty())
                fail("(init): default list already added!! Find double default property..");
            defaultList = readItems(it, listName);
            continue;
        }
        PriorityList list;
        list.sid = sensorOf(listName);
        list.name = listName;
        list.items = readItems(it, listName);
        // A second list of the same selector replaces the first.
        lists[list.sid] = std::move(list);
    }
}

PriorityController::Items PriorityController::readItems(xmlNode* list, const std::string& listName)
{
    UniXML_iterator it(list);
    if (!it.goChildren())
        fail("(init): Not found items for " + listName);
    Items items;
    for (; it.valid(); it.goNext())
        items.emplace_back(sensorOf(it.getProp("id")), it.getIntProp("priority"));
    return items;
}

void PriorityController::askSensors(UniversalIO::UIOCommand cmd)
{
    std::list<ObjectId> selectors;
    for (const auto& [sid, list] : lists)
        selectors.push_back(sid);
    askUntilDone(
        selectors, [&](ObjectId sid) { ui.askSensor(sid, cmd, DefaultObjectId); },
        [&](const Exception& ex) { log.crit() << getName() << "(askSensors): " << ex << std::endl; });

    if (cmd != UniversalIO::UIONotify)
        return;
    // Priorities stand from the start, also where no selector will ever send a message.
    if (!ui.waitReady(DefaultObjectId, smReadyTimeout) && terminating())
        return;
    try
    {
        saveChosen("askSensors");
    }
    catch (const Exception& ex)
    {
        log.crit() << getName() << "(askSensors): " << ex << std::endl;
    }
}

void PriorityController::sensorInfo(const SensorMessage* sm)
{
    auto it = lists.find(sm->id);
    if (it == lists.end())
    {
        log.crit() << getName() << "(sensorInfo): Unknown sensor id=" << sm->id << std::endl;
        return;
    }
    it->second.state = sm->state;
    saveChosen("sensorInfo");
}

void PriorityController::saveChosen(const char* method)
{
    // The lowest selector id that is on wins, whichever selector moved.
    for (auto& [sid, list] : lists)
    {
        list.state = ui.getState(sid);
        if (list.state)
        {
            log.info() << getName() << "(" << method << "): save priority for " << list.name << std::endl;
            save(list.items, method);
            return;
        }
    }
    log.info() << getName() << "(" << method << "): save default priority" << std::endl;
    save(defaultList, method);
}

void PriorityController::save(const Items& items, const char* method)
{
    // A pair that cannot be written is given up after three tries; the rest still go.
    for (const auto& [sensor, priority] : items)
        Ravna::retryWrite(
            3, 200, [&] { ui.saveValue(sensor, priority, UniversalIO::AnalogInput); },
            [&](const Exception& ex) { log.crit() << getName() << "(" << method << "): " << ex << std::endl; });
}
