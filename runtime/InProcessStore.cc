#include "InProcessStore.h"

#include "Exceptions.h"
#include "UniSetObject.h"

namespace uniset
{
    InProcessStore::InProcessStore(const std::vector<UniSetTypes::SensorDescription>& sensors)
    {
        for (const auto& s : sensors)
            slots[s.id] = Slot{s.iotype, UniversalIO::isDigital(s.iotype) ? (s.defaultValue != 0) : s.defaultValue};
    }

    const InProcessStore::Slot& InProcessStore::slot(UniSetTypes::ObjectId id) const
    {
        auto it = slots.find(id);
        if (it == slots.end())
            throw UniSetTypes::Exception("(store): unknown sensor id=" + std::to_string(id));
        return it->second;
    }

    long InProcessStore::getValue(UniSetTypes::ObjectId id) const
    {
        std::lock_guard<std::mutex> lk(mtx);
        return slot(id).value;
    }

    UniversalIO::IOTypes InProcessStore::getIOType(UniSetTypes::ObjectId id) const
    {
        std::lock_guard<std::mutex> lk(mtx);
        return slot(id).type;
    }

    void InProcessStore::setValue(UniSetTypes::ObjectId id, long value, UniSetTypes::ObjectId supplier)
    {
        // Held across delivery so that every asker sees the writes in one order.
        std::lock_guard<std::mutex> lk(mtx);
        auto& s = const_cast<Slot&>(slot(id));
        if (UniversalIO::isDigital(s.type))
            value = value != 0;
        log.push_back(Write{id, value, supplier});
        if (s.value == value)
            return;
        s.value = value;
        subscribers.deliver(makeSensorMessage(id, value, s.type, supplier, ++sequence));
    }

    void InProcessStore::ask(UniSetTypes::ObjectId id, UniversalIO::UIOCommand cmd, UniSetObject* consumer)
    {
        std::lock_guard<std::mutex> lk(mtx);
        const Slot& s = slot(id);
        if (cmd == UniversalIO::UIODontNotify)
        {
            subscribers.remove(id, consumer);
            return;
        }
        subscribers.add(id, consumer);
        consumer->push(makeSensorMessage(id, s.value, s.type, UniSetTypes::DefaultObjectId, sequence).transport());
    }

    void InProcessStore::forget(UniSetObject* consumer)
    {
        // Under the lock ask and setValue deliver under.
        std::lock_guard<std::mutex> lk(mtx);
        subscribers.removeAll(consumer);
    }

    std::vector<InProcessStore::Write> InProcessStore::writes() const
    {
        std::lock_guard<std::mutex> lk(mtx);
        return log;
    }

    void InProcessStore::clearWrites()
    {
        std::lock_guard<std::mutex> lk(mtx);
        log.clear();
    }
}
