#include "SkeletonMirror.h"

#include "DebugStream.h"
#include "Exceptions.h"

using namespace UniSetTypes;

namespace ravna::sk
{
    IOController_i::SensorInfo sensorAt(ObjectId id, ObjectId node)
    {
        IOController_i::SensorInfo si;
        si.id = id;
        si.node = node;
        return si;
    }

    long read(const Access& self, const Item& item)
    {
        if (isDigitalType(item.type))
            return self.ui.getState(*item.id, *item.node) ? 1 : 0;
        return self.ui.getValue(*item.id, *item.node);
    }

    void write(const Access& self, const Item& item, long value)
    {
        if (*item.id == DefaultObjectId)
            return;
        try
        {
            switch (item.type)
            {
            case UniversalIO::DigitalInput:
                self.ui.saveState(sensorAt(*item.id, *item.node), value != 0, UniversalIO::DigitalInput, self.id);
                break;
            case UniversalIO::DigitalOutput:
                self.ui.setState(*item.id, value != 0, *item.node);
                break;
            case UniversalIO::AnalogInput:
                self.ui.saveValue(sensorAt(*item.id, *item.node), value, UniversalIO::AnalogInput, self.id);
                break;
            case UniversalIO::AnalogOutput:
                self.ui.setValue(*item.id, value, *item.node);
                break;
            default:
                break;
            }
        }
        catch (const Exception& ex)
        {
            unideb.crit() << self.name << "(setdata): " << ex << std::endl;
            throw;
        }
    }

    void readInputs(const Access& self, const Layout& layout)
    {
        try
        {
            for (const Item& it : layout.items)
                if (it.isInput() && *it.id != DefaultObjectId)
                    it.value.set(read(self, it));
        }
        catch (const Exception& ex)
        {
            unideb.crit() << self.name << "(getdata): " << ex << std::endl;
            throw;
        }
    }

    void writeOutputs(const Access& self, const Layout& layout, bool force)
    {
        for (const Item& it : layout.items)
        {
            const long v = it.value.get();
            if (it.isInput())
            {
                it.prev.set(v);
                continue;
            }
            if (!force && v == it.prev.get())
                continue;
            write(self, it, v);
            it.prev.set(v);
        }
    }

    long readItem(const Access& self, const Layout& layout, ObjectId sid)
    {
        if (sid != DefaultObjectId)
        {
            for (const Item& it : layout.items)
            {
                if (*it.id != sid)
                    continue;
                try
                {
                    it.value.set(read(self, it));
                    return it.value.get();
                }
                catch (const Exception& ex)
                {
                    unideb.crit() << self.name << "(getState): " << ex << std::endl;
                    throw;
                }
            }
        }
        unideb.crit() << self.name << "(getState): Обращение к неизвестному ДИСКРЕТНОМУ датчику sid=" << sid
                      << std::endl;
        return 0;
    }

    void writeOutput(const Access& self, const Layout& layout, ObjectId sid, long value, const char* method)
    {
        for (const Item& it : layout.items)
        {
            if (it.isInput() || *it.id != sid)
                continue;
            unideb[Debug::LEVEL2] << "(" << method << "): out_" << it.name << " = " << value << std::endl;
            it.value.set(value);
            write(self, it, it.value.get());
            return;
        }
    }

    void writeOutputsOff(const Access& self, const Layout& layout)
    {
        for (const Item& it : layout.items)
            if (!it.isInput())
                write(self, it, 0);
    }

    void keepPreviousValues(const Layout& layout)
    {
        for (const Item& it : layout.items)
            it.prev.set(it.value.get());
    }

    void storeInput(const Layout& layout, const SensorMessage& sm)
    {
        for (const Item& it : layout.items)
        {
            if (it.isInput() && *it.id != DefaultObjectId && *it.id == sm.id)
                it.value.set(isDigitalType(it.type) ? (sm.value != 0) : sm.value);
        }
    }

    void forEachChangedInput(const Layout& layout, ObjectId supplier, const std::function<void(const SensorMessage&)>& f)
    {
        for (const Item& it : layout.items)
        {
            if (!it.isInput() || *it.id == DefaultObjectId || it.value.get() == it.prev.get())
                continue;
            const SensorMessage sm(*it.id, it.value.get(), it.type, supplier);
            f(sm);
        }
    }
}
