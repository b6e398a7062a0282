// A program's start-up, written once for every program of the system: the
// configuration and the store it names, the program's log, the activator, --help,
// the exit statuses, and a failure said on the log and on standard error. A program
// gives what is its own (its help line, log name, banner, failure texts) and a
// function that builds its objects. docs/runtime.md shows a main.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Configuration.h"
#include "DebugStream.h"
#include "ObjectsActivator.h"

namespace UniSetTypes
{
    // Creates conf from the command line (a configuration without sensors is refused),
    // applies the levels of unideb and installs the store the options name
    // (--smemory-id, --store-name) as uniset::store().
    // Throws UniSetTypes::SystemError on a configuration that cannot be used.
    Configuration* uniset_init(int argc, const char* const* argv, const std::string& defaultConfile = "configure.xml");
}

namespace uniset
{
    // Exit statuses of every program.
    constexpr int exitNormal = 0;    // the activator returned (a stop), or the help line was asked for
    constexpr int exitMissing = 1;   // a section, object or node the program needs is not configured
    constexpr int exitFailed = 2;    // the start-up or the run threw

    // The objects a program builds, registered with the activator as they are added and
    // destroyed in the reverse order, before the activator.
    class ProgramObjects
    {
    public:
        explicit ProgramObjects(ObjectsActivator& act) : act(act) {}
        ~ProgramObjects();
        ProgramObjects(const ProgramObjects&) = delete;
        ProgramObjects& operator=(const ProgramObjects&) = delete;

        // An object the activator starts (addObject).
        template <class T>
        T* add(std::unique_ptr<T> obj)
        {
            T* raw = keep(std::move(obj));
            act.addObject(raw);
            return raw;
        }
        // A manager: the activator starts it and its tree (addManager).
        template <class T>
        T* addManager(std::unique_ptr<T> mngr)
        {
            T* raw = keep(std::move(mngr));
            act.addManager(raw);
            return raw;
        }
        // Anything the objects need as long as they live (a document they were read from).
        template <class T>
        T* keep(std::unique_ptr<T> thing)
        {
            T* raw = thing.get();
            kept.emplace_back(std::move(thing));
            return raw;
        }

    private:
        ObjectsActivator& act;
        std::vector<std::shared_ptr<void>> kept;
    };

    struct ProgramDescription
    {
        // Printed on standard output when the first argument is exactly "--help"; the
        // program then ends with exitNormal and reads nothing. Empty: --help is an
        // ordinary argument.
        std::string help;
        // The program log: with the runtime's own (unideb), to the file named by
        // --logfile (else defaultLogName) in the configuration's log directory, with
        // the levels configured for "dlog".
        DebugStream* log = nullptr;
        std::string defaultLogName;
        // "Piltov": after the start-up broadcast, the line "(main): -------------- Piltov
        // START -------------------------" on unideb and on the log. Empty: none.
        std::string banner;
        // A caught exception's line, at crit on the log and on standard error:
        // failurePrefix and the exception's text, or unknownFailure for a throw of
        // no known kind.
        std::string failurePrefix;
        std::string unknownFailure;
        // Builds the program's objects into the list. False when something it needs is
        // missing, having said what on standard error or the log: exitMissing.
        std::function<bool(ProgramObjects&)> build;
    };

    // For a program's build: the id of the configured object of that name; when the
    // configuration has none, DefaultObjectId, having said so in one line on standard
    // error ("(main): идентификатор 'NAME' не найден в конф. файле!"); build then
    // returns false (exitMissing).
    UniSetTypes::ObjectId lookupObjectId(const std::string& name);
    // The same, and the object's node of that name in the configuration: null, having
    // said which is missing ("(main): xmlnode 'NAME' не найден в конф. файле!").
    xmlNode* lookupObjectNode(const std::string& name, UniSetTypes::ObjectId& id);

    // The whole of a program's main: the configuration (uniset_init), the log, the
    // activator, the objects, the start-up broadcast, the banner and the run until a
    // terminate signal. Returns the exit status.
    int programMain(int argc, const char* const* argv, const ProgramDescription& program);
}
