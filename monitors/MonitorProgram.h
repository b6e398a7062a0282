// The start-up shared by piltov and zarsen: configuration and log, the objects in
// the order the program builds them, the start-up broadcast, the banner and the
// run, with the exit status the bench and the scripts rely on.
#pragma once

#include <functional>
#include <libxml/tree.h>
#include <memory>
#include <string>
#include <vector>

#include "UniSetObject.h"
#include "UniSetTypes.h"

namespace monitors
{
    // Exit statuses of the monitor programs.
    constexpr int exitStopped = 0;       // run returned: a normal stop
    constexpr int exitMissingObject = 1; // an object's id or node is not in the configuration
    constexpr int exitFailed = 2;        // start-up or the run threw

    // The object's XML node, its id in id; null (with a message on standard error)
    // when the configuration lacks the id or the node.
    xmlNode* lookupObjectNode(const std::string& name, UniSetTypes::ObjectId& id);

    // The objects of a program, destroyed in the reverse order of construction.
    class ObjectList
    {
    public:
        ObjectList() = default;
        ~ObjectList();
        ObjectList(const ObjectList&) = delete;
        ObjectList& operator=(const ObjectList&) = delete;

        template <class T>
        T* keep(std::unique_ptr<T> obj)
        {
            T* raw = obj.get();
            objects.push_back(std::move(obj));
            return raw;
        }
        const std::vector<std::unique_ptr<UniSetObject>>& all() const { return objects; }

    private:
        std::vector<std::unique_ptr<UniSetObject>> objects;
    };

    struct ProgramInfo
    {
        std::string defaultLogName; // --logfile default, in the configuration's log directory
        std::string tag;            // "piltov": the prefix of a caught exception's log line
        std::string title;          // "Piltov": the banner's name
    };

    // Builds the program's objects into the list; false when a lookup failed.
    using Builder = std::function<bool(ObjectList&)>;

    // The whole of a monitor program's main; returns its exit status.
    int runProgram(int argc, const char* const* argv, const ProgramInfo& info, const Builder& build);
}
