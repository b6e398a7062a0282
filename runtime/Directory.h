// What the runtime's core asks of the program's configuration, without knowing it:
// an id's name (an object takes its name from it), the local node (stamped on every
// message) and a numeric option. The configuration implements it and tells the core
// how to find the one in use.
#pragma once

#include <string>

#include "UniSetTypes.h"

namespace uniset
{
    class Directory
    {
    public:
        // "" when the id is unknown.
        virtual std::string nameOf(UniSetTypes::ObjectId id) const = 0;
        virtual UniSetTypes::ObjectId localNodeId() const = 0;
        // The command line's value of the option, else def.
        virtual int intOption(const std::string& name, int def) const = 0;

    protected:
        ~Directory() = default;
    };

    // The configuration in use; nullptr when there is none.
    const Directory* directory();
    // How directory() finds it; the configuration sets it as it is made.
    void setDirectoryLookup(const Directory* (*lookup)());
}
