#include "A2D.h"

#include <iostream>

#include "Exceptions.h"
#include "UniXML.h"

using namespace UniSetTypes;

A2D::A2D(xmlNode* node) { init(node); }

void A2D::init(xmlNode* node)
{
    if (!node)
        return;
    UniXML_iterator item(node);
    if (!item.goChildren())
    {
        std::cerr << "A2D: empty conf list" << std::endl;
        return;
    }

    for (; item.valid(); item.goNext())
    {
        Item a;
        a.id = item.getPIntProp("id", DefaultObjectId);
        if (a.id == DefaultObjectId)
        {
            std::cerr << "A2D: Unknown analog sensor ID" << std::endl;
            continue;
        }

        UniXML_iterator entry(item.getCurrent());
        if (!entry.goChildren())
        {
            std::cerr << "A2D: for empty list of item for analog id=" << item.getProp("id") << std::endl;
            continue;
        }

        for (; entry.valid(); entry.goNext())
        {
            const int value = entry.getIntProp("value");
            // Only the first child of a value entry is read: one output per entry.
            UniXML_iterator out(entry.getCurrent());
            if (!out.goChildren())
            {
                std::cerr << "A2D: for empty list of digital sensor for analog id=" << item.getProp("id")
                          << " value=" << value << std::endl;
                continue;
            }
            Output o;
            o.id = out.getPIntProp("id", DefaultObjectId);
            if (o.id == DefaultObjectId)
            {
                std::cerr << "A2D: ignore digital for analog value=" << value << ". Unkown id." << std::endl;
                continue;
            }
            o.iotype = UniSetTypes::getIOType(out.getProp("iotype"));
            if (o.iotype == UniversalIO::UnknownIOType)
            {
                std::cerr << "A2D: ignore digital id=" << o.id << ". Unknown iotype..." << std::endl;
                continue;
            }
            o.invert = out.getIntProp("invert") != 0;
            a.values[value].push_back(o);
        }

        if (!a.values.empty())
            list.push_back(std::move(a));
    }
}

void A2D::askSensors(UniversalInterface* ui, UniversalIO::UIOCommand cmd)
{
    for (const Item& a : list)
    {
        try
        {
            ui->askSensor(a.id, cmd, DefaultObjectId);
        }
        catch (const Exception& ex)
        {
            std::cerr << "(A2D::askSensors):  " << ex << std::endl;
        }
    }
}

void A2D::sensorInfo(UniversalInterface* ui, const SensorMessage* sm)
{
    for (const Item& a : list)
    {
        if (a.id != sm->id)
            continue;
        for (const auto& [value, outputs] : a.values)
        {
            const bool state = value == sm->value;
            for (const Output& o : outputs)
                updateState(ui, o, state);
        }
    }
}

void A2D::updateState(UniversalInterface* ui, const Output& out, bool state)
{
    if (out.invert)
        state = !state;
    try
    {
        switch (out.iotype)
        {
        case UniversalIO::DigitalInput: ui->saveState(out.id, state, UniversalIO::DigitalInput); break;
        case UniversalIO::DigitalOutput: ui->setState(out.id, state); break;
        case UniversalIO::AnalogInput: ui->saveValue(out.id, state ? 1 : 0, UniversalIO::AnalogInput); break;
        case UniversalIO::AnalogOutput: ui->setValue(out.id, state ? 1 : 0); break;
        default: break;
        }
    }
    catch (const Exception& ex)
    {
        std::cerr << "(A2D::updateState): ask sensor failed.. =>  " << ex << std::endl;
    }
}
