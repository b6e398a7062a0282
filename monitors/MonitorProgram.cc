#include "MonitorProgram.h"

#include <iostream>

#include "Configuration.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "MessageType.h"
#include "ObjectsActivator.h"
#include "ProgramMain.h"
#include "Ravna.h"

using namespace UniSetTypes;

namespace monitors
{
    xmlNode* lookupObjectNode(const std::string& name, ObjectId& id)
    {
        id = conf->getObjectID(name);
        if (id == DefaultObjectId)
        {
            std::cerr << "(main): идентификатор '" << name << "' не найден в конф. файле!" << std::flush;
            return nullptr;
        }
        xmlNode* node = conf->getNode(name);
        if (!node)
            std::cerr << "(main): xmlnode '" << name << "' не найден в конф. файле!" << std::flush;
        return node;
    }

    ObjectList::~ObjectList()
    {
        while (!objects.empty())
            objects.pop_back();
    }

    namespace
    {
        void banner(const DebugStream& log, const std::string& title)
        {
            log(Debug::ANY) << "\n\n\n";
            log.any() << "(main): -------------- " << title << " START -------------------------\n\n";
        }

        // Logged where the log is configured, and always on standard error too:
        // before the log is open, or with crit off, it would be lost.
        void reportFailure(const std::string& tag, const std::string& text)
        {
            Ravna::dlog.crit() << "(" << tag << "): " << text << std::endl;
            std::cerr << "(" << tag << "): " << text << std::endl;
        }

        int run(int argc, const char* const* argv, const ProgramInfo& info, const Builder& build)
        {
            uniset_init(argc, argv, "configure.xml");
            Ravna::openProgramLog(info.defaultLogName);

            ObjectsActivator activator;
            ObjectList objects;
            if (!build(objects))
                return exitMissingObject;
            for (const auto& obj : objects.all())
                activator.addObject(obj.get());

            activator.broadcast(SystemMessage(SystemMessage::StartUp, Message::High).transport());
            banner(unideb, info.title);
            banner(Ravna::dlog, info.title);
            activator.run(false);
            return exitStopped;
        }
    }

    int runProgram(int argc, const char* const* argv, const ProgramInfo& info, const Builder& build)
    {
        try
        {
            return run(argc, argv, info, build);
        }
        catch (const Exception& ex)
        {
            reportFailure(info.tag, ex.text);
        }
        catch (const std::exception& ex)
        {
            reportFailure(info.tag, ex.what());
        }
        catch (...)
        {
            reportFailure(info.tag, "catch(...)");
        }
        return exitFailed;
    }
}
