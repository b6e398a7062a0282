#include "ProgramMain.h"

#include <iostream>

#include "MessageType.h"
#include "ShmStore.h"

namespace UniSetTypes
{
    Configuration* uniset_init(int argc, const char* const* argv, const std::string& defaultConfile)
    {
        auto loaded = std::make_unique<Configuration>(argc, argv, defaultConfile);
        loaded->requireSensors();
        // The program's for the rest of its life.
        Configuration* c = loaded.release();
        conf = c;
        c->initDebug(unideb, "unideb");
        uniset::ShmStore::installForProgram(*c);
        return c;
    }
}

namespace uniset
{
    UniSetTypes::ObjectId lookupObjectId(const std::string& name)
    {
        const UniSetTypes::ObjectId id = UniSetTypes::conf->getObjectID(name);
        if (id == UniSetTypes::DefaultObjectId)
            std::cerr << "(main): идентификатор '" << name << "' не найден в конф. файле!" << std::endl;
        return id;
    }

    xmlNode* lookupObjectNode(const std::string& name, UniSetTypes::ObjectId& id)
    {
        id = lookupObjectId(name);
        if (id == UniSetTypes::DefaultObjectId)
            return nullptr;
        xmlNode* node = UniSetTypes::conf->getNode(name);
        if (!node)
            std::cerr << "(main): xmlnode '" << name << "' не найден в конф. файле!" << std::endl;
        return node;
    }

    ProgramObjects::~ProgramObjects()
    {
        while (!kept.empty())
            kept.pop_back();
    }

    namespace
    {
        void openProgramLog(const UniSetTypes::Configuration& cfg, DebugStream& log, const std::string& defaultName)
        {
            const std::string path = cfg.getLogDir() + cfg.getArgParam("--logfile", defaultName);
            log.logFile(path);
            UniSetTypes::unideb.logFile(path);
            cfg.initDebug(log, "dlog");
        }

        void banner(const DebugStream& log, const std::string& title)
        {
            log(Debug::ANY) << "\n\n\n";
            log.any() << "(main): -------------- " << title << " START -------------------------\n\n";
        }

        int run(int argc, const char* const* argv, const ProgramDescription& program)
        {
            const UniSetTypes::Configuration& cfg = *UniSetTypes::uniset_init(argc, argv, "configure.xml");
            openProgramLog(cfg, *program.log, program.defaultLogName);

            // Declared first: the objects go before it.
            ObjectsActivator activator;
            ProgramObjects objects(activator);
            if (!program.build(objects))
                return exitMissing;

            activator.broadcast(
                UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::StartUp, UniSetTypes::Message::High).transport());
            if (!program.banner.empty())
            {
                banner(UniSetTypes::unideb, program.banner);
                banner(*program.log, program.banner);
            }
            activator.run(false);
            return exitNormal;
        }

        // On the log where it is configured, and always on standard error too: before
        // the log is open, or with crit off, it would be lost.
        void reportFailure(const ProgramDescription& program, const std::string& line)
        {
            program.log->crit() << line << std::endl;
            std::cerr << line << std::endl;
        }
    }

    int programMain(int argc, const char* const* argv, const ProgramDescription& program)
    {
        if (!program.help.empty() && argc > 1 && std::string(argv[1]) == "--help")
        {
            std::cout << program.help << std::endl;
            return exitNormal;
        }
        try
        {
            return run(argc, argv, program);
        }
        catch (const std::exception& ex)   // UniSetTypes::Exception's what() is its text
        {
            reportFailure(program, program.failurePrefix + ex.what());
        }
        catch (...)
        {
            reportFailure(program, program.unknownFailure);
        }
        return exitFailed;
    }
}
