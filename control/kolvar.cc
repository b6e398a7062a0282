// kolvar: the station control program. The supervision, which builds the stations,
// breakers, busbar groups, priority lists and bus-tie logic, and the switchboard's
// no-power watcher.
#include <iostream>
#include <memory>

#include "Configuration.h"
#include "ProgramMain.h"
#include "Ravna.h"
#include "SEESControl.h"
#include "Switchboard.h"

namespace
{
    bool build(uniset::ProgramObjects& objects)
    {
        xmlNode* node = UniSetTypes::conf->getNode("SEESControl");
        if (!node)
        {
            const char* line = "(seescontrol): not found <SEESControl> in conffile";
            Ravna::dlog.crit() << line << std::endl;
            std::cerr << line << std::endl;
            return false;
        }
        SEESControl::initLog(Ravna::dlog);
        objects.addManager(std::make_unique<SEESControl>("SEESControl", node));
        // A missing node is the watcher's own error to report.
        Switchboard::initLog(Ravna::dlog);
        objects.add(std::make_unique<Switchboard>("Switchboard", UniSetTypes::conf->getNode("Switchboard")));
        return true;
    }
}

int main(int argc, char** argv)
{
    uniset::ProgramDescription program;
    program.log = &Ravna::dlog;
    program.defaultLogName = "kolvar.log";
    program.banner = "SEESControl";
    program.failurePrefix = "(seescontrol): ";
    program.unknownFailure = "(seescontrol): catch(...)";
    program.build = build;
    return uniset::programMain(argc, argv, program);
}
