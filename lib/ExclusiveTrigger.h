// Keyed values of which at most one is active (non-zero): command outputs that
// must never be on together, timers of which one runs, alarm messages of which
// one counts as raised. Every change is reported to one member function of the owner.
#pragma once

#include <exception>
#include <map>

template <class Owner, typename Key, typename Value>
class ExclusiveTrigger
{
public:
    using Action = void (Owner::*)(Key, Value);

    ExclusiveTrigger(Owner* owner, Action action) : owner(owner), action(action) {}

    // Makes id a key with the value zero and reports it, also when it was zero already.
    void add(Key id)
    {
        values[id] = Value{};
        reportQuietly(id, Value{});
    }

    // Switches every other active key off (each reported), then reports id.
    // When a switch-off report throws, the walk still switches the remaining keys
    // off, id goes back to its old value and the first exception is passed on:
    // the trigger never believes in two active keys, and a repeated set tries again.
    void set(Key id, Value v)
    {
        auto it = values.find(id);
        if (it == values.end())
            return;
        const Value old = it->second;
        if (old == v)
            return;
        it->second = v;

        std::exception_ptr failure;
        for (auto& [key, value] : values)
        {
            if (key == id || value == Value{})
                continue;
            value = Value{};
            try
            {
                (owner->*action)(key, Value{});
            }
            catch (...)
            {
                if (!failure)
                    failure = std::current_exception();
            }
        }
        if (failure)
        {
            it->second = old;
            std::rethrow_exception(failure);
        }
        reportQuietly(id, v);
    }

    // Every key to zero, each reported, at shut-down; a report's exception goes to
    // the caller and leaves the later keys as they were.
    void resetAll()
    {
        for (auto& [key, value] : values)
        {
            value = Value{};
            (owner->*action)(key, Value{});
        }
    }

    std::map<Key, Value> values;
    Owner* owner;
    Action action;

private:
    // The report of the key being set (or added) must not undo the change.
    void reportQuietly(Key id, Value v)
    {
        try
        {
            (owner->*action)(id, v);
        }
        catch (...)
        {
        }
    }
};
