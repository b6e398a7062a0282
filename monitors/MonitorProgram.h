// What piltov and zarsen share of their start-up beyond the program start-up
// (ProgramMain.h): the look-up of an object's id and node with their texts, and the
// texts of their log, banner and failures.
#pragma once

#include <functional>
#include <libxml/tree.h>
#include <string>

#include "ProgramMain.h"
#include "UniSetTypes.h"

namespace monitors
{
    // The object's XML node, its id in id; null (with a message on standard error)
    // when the configuration lacks the id or the node.
    xmlNode* lookupObjectNode(const std::string& name, UniSetTypes::ObjectId& id);

    struct ProgramInfo
    {
        std::string defaultLogName; // --logfile default, in the configuration's log directory
        std::string tag;            // "piltov": the prefix of a caught exception's log line
        std::string title;          // "Piltov": the banner's name
    };

    // The whole of a monitor program's main; returns its exit status.
    int runProgram(int argc, const char* const* argv, const ProgramInfo& info,
                   const std::function<bool(uniset::ProgramObjects&)>& build);
}
