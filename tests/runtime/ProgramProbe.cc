// A program on the program start-up, for its tests: --build says what its build
// does (build an object, find something missing, throw).
#include <iostream>
#include <memory>

#include "Exceptions.h"
#include "ProgramMain.h"
#include "UniSetObject.h"

namespace
{
    DebugStream probeLog;

    // Says on standard output that the start-up broadcast reached it.
    class Started : public UniSetObject
    {
    public:
        using UniSetObject::UniSetObject;
        void processingMessage(UniSetTypes::VoidMessage* msg) override
        {
            if (msg->type == UniSetTypes::Message::SysCommand &&
                UniSetTypes::SystemMessage(msg).command == UniSetTypes::SystemMessage::StartUp)
                std::cout << "(probe): started" << std::endl;
        }
    };

    bool build(uniset::ProgramObjects& objects)
    {
        const std::string what = UniSetTypes::conf->getArgParam("--build", "object");
        if (what == "missing")
        {
            std::cerr << "(probe): no section Probe" << std::endl;
            return false;
        }
        objects.add(std::make_unique<Started>(UniSetTypes::conf->getObjectID("Probe")));
        if (what == "exception")
            throw UniSetTypes::SystemError("Probe: a setting is wrong");
        if (what == "other")
            throw 42;
        return true;
    }
}

int main(int argc, char** argv)
{
    uniset::ProgramDescription program;
    program.help = "--build what\t- what the probe's build does";
    program.log = &probeLog;
    program.defaultLogName = "probe.log";
    program.banner = "Probe";
    program.failurePrefix = "(probe): ";
    program.unknownFailure = "(probe): catch(...)";
    program.build = build;
    return uniset::programMain(argc, argv, program);
}
