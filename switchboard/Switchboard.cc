#include "Switchboard.h"

#include <vector>

#include "Configuration.h"
#include "Exceptions.h"
#include "Ravna.h"
#include "UniXML.h"

using namespace UniSetTypes;

DebugStream Switchboard::dlog(Debug::NONE);

void Switchboard::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

Switchboard::Switchboard(const std::string& name, xmlNode* cnode) : Switchboard_SK(conf->getObjectID(name), cnode)
{
    readRow(name, cnode);
}

Switchboard::Switchboard() : Switchboard_SK() {}

Switchboard::~Switchboard() = default;

ObjectId Switchboard::lookupSensorId(const std::string& value, const std::string& objectName, const std::string& what)
{
    const ObjectId id = conf->getSensorID(value);
    if (id != DefaultObjectId)
        return id;
    const std::string text = objectName + "(" + what + "): not found ID for " + value;
    dlog.crit() << text << std::endl;
    throw Exception(text);
}

void Switchboard::readRow(const std::string& name, xmlNode* cnode)
{
    const std::string& myname = getName();
    noPowerId = lookupSensorId(UniXML::getProp(cnode, "NoPower_s"), myname, "NoPower_s");

    UniXML_iterator it(cnode);
    if (!it.goChildren())
        throw Exception("not found <groups> for " + name);

    for (; it.valid(); it.goNext())
    {
        const std::string kind = it.getName();
        if (kind == "automat")
        {
            Element e;
            e.automatId = lookupSensorId(it.getProp("name"), myname, "automat");
            askList.push_back(e.automatId);
            elements.push_back(std::move(e));
        }
        else if (kind == "group")
        {
            UniXML_iterator item(it.getCurrent());
            if (!item.goChildren())
                throw Exception("not found <items> in <group> for " + name);

            Element e;
            e.group = std::make_unique<Group>();
            Group& g = *e.group;
            g.name = it.getProp("name");
            g.trigger = std::make_unique<OrTrigger<Switchboard>>(this, &Switchboard::groupChanged);
            g.noPowerId = lookupSensorId(it.getProp("nopower_s"), myname, "nopower_s");
            for (; item.valid(); item.goNext())
            {
                const ObjectId sid = lookupSensorId(item.getProp("name"), myname, "add " + g.name + " item");
                g.trigger->add(sid);
                askList.push_back(sid);
            }
            elements.push_back(std::move(e));
        }
        else
        {
            const std::string text = "Unknon structure element " + kind + " for " + name;
            dlog.crit() << text << std::endl;
            throw Exception(text);
        }
    }
}

void Switchboard::groupChanged(bool) {}

void Switchboard::askSensors(UniversalIO::UIOCommand cmd)
{
    askUntilDone(
        askList, [&](ObjectId id) { ui.askState(id, cmd, DefaultObjectId); },
        [&](const Exception& ex) { dlog.crit() << getName() << "(askSensors):  " << ex << std::endl; });
}

void Switchboard::sensorInfo(const SensorMessage* sm)
{
    for (Element& e : elements)
    {
        if (e.group)
            e.group->trigger->commit(sm->id, sm->state);
        else if (e.automatId == sm->id)
            e.closed = sm->state;
    }
    updateNoPower();
}

void Switchboard::updateNoPower()
{
    try
    {
        bool stationWithoutPower = false;
        std::vector<Group*> section;
        bool power = false;

        // An open breaker (and the end of the row) closes a section.
        auto closeSection = [&] {
            if (!section.empty())
            {
                for (Group* g : section)
                    ui.saveState(g->noPowerId, !power, UniversalIO::DigitalInput);
                if (!power)
                    stationWithoutPower = true;
            }
            section.clear();
            power = false;
        };

        for (const Element& e : elements)
        {
            if (e.group)
            {
                section.push_back(e.group.get());
                power = power || e.group->trigger->output;
            }
            else if (!e.closed)
                closeSection();
        }
        closeSection();
        ui.saveState(noPowerId, stationWithoutPower, UniversalIO::DigitalInput);
    }
    catch (const Exception& ex)
    {
        dlog.crit() << getName() << "(updateNoPower):  " << ex << std::endl;
        throw;
    }
}
