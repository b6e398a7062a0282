// Boolean inputs keyed by sensor id whose OR is the output; the owner is told
// only of the changes of the output.
#pragma once

#include <map>

#include "UniSetTypes.h"

template <class Owner>
class OrTrigger
{
public:
    using Action = void (Owner::*)(bool);

    OrTrigger(Owner* owner, Action action) : owner(owner), action(action) {}

    // Makes id an input with the value false (resetting it when present).
    void add(UniSetTypes::ObjectId id)
    {
        inputs[id] = false;
        check();
    }

    // False for an id that is not an input; nothing changes then.
    bool commit(UniSetTypes::ObjectId id, bool state)
    {
        auto it = inputs.find(id);
        if (it == inputs.end())
            return false;
        it->second = state;
        check();
        return true;
    }

    // The output is stored before the owner is called, so a throwing owner is
    // not called again for the same change.
    void check()
    {
        bool now = false;
        for (const auto& [id, value] : inputs)
        {
            if (value)
            {
                now = true;
                break;
            }
        }
        const bool old = output;
        output = now;
        if (now != old)
            (owner->*action)(now);
    }

    std::map<UniSetTypes::ObjectId, bool> inputs;
    bool output = false;
    Owner* owner;
    Action action;
};
