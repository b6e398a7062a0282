// A program's start-up: the configuration and the store it names, made once for
// every program of the system.
#pragma once

#include <string>

#include "Configuration.h"

namespace UniSetTypes
{
    // Creates conf from the command line (a configuration without sensors is refused),
    // applies the levels of unideb and installs the store the options name
    // (--smemory-id, --store-name) as uniset::store().
    // Throws UniSetTypes::SystemError on a configuration that cannot be used.
    Configuration* uniset_init(int argc, const char* const* argv, const std::string& defaultConfile = "configure.xml");
}
