// mendra: the plant simulator of the test bench. Four station simulators and the
// main-switchboard simulator, built from the sections of the simulator file.
#include <array>
#include <iostream>
#include <memory>
#include <string>

#include "Configuration.h"
#include "GRSHImitator.h"
#include "Mendra.h"
#include "ProgramMain.h"
#include "Ravna.h"
#include "UniXML.h"

using namespace UniSetTypes;

namespace
{
    // The switchboard first, then the four stations: the order of look-up, construction and start.
    const std::array<std::string, 5> sectionTags = {"GRSHImitator", "SEES1Imitator", "SEES2Imitator", "SEES3Imitator",
                                                    "SEES4Imitator"};

    std::string objectName(xmlNode* section)
    {
        const std::string idname = UniXML::getProp(section, "idname");
        return idname.empty() ? UniXML::getName(section) : idname;
    }

    bool build(uniset::ProgramObjects& objects)
    {
        const std::string srcFile = conf->getArgParam("--imitator-confile", "mendra.src.xml");
        const UniXML& src = *objects.keep(std::make_unique<UniXML>(srcFile));

        // Every section must be there before any object is built.
        std::array<xmlNode*, sectionTags.size()> sections{};
        for (size_t i = 0; i < sectionTags.size(); ++i)
        {
            sections[i] = src.findNode(src.getFirstNode()->children, sectionTags[i]);
            if (!sections[i])
            {
                std::cerr << "(main): не нашли раздела <" << sectionTags[i] << "> в " << srcFile << std::endl;
                return false;
            }
        }

        // Every object must be configured before any is built: a name the configuration
        // lacks is said as such, not as the skeleton's bare "Unknown ObjectID!".
        for (xmlNode* section : sections)
            if (uniset::lookupObjectId(objectName(section)) == DefaultObjectId)
                return false;

        // Destroyed stations first (the last one first), then the switchboard.
        objects.add(std::make_unique<GRSHImitator>(objectName(sections[0]), sections[0]));
        for (size_t i = 1; i < sections.size(); ++i)
            objects.add(std::make_unique<Mendra>(objectName(sections[i]), sections[i]));
        return true;
    }
}

int main(int argc, char** argv)
{
    uniset::ProgramDescription program;
    program.help = "--imitator-confile fname\t- Настроечный файл для имитатора. По умолчанию mendra.src.xml. ";
    program.log = &Ravna::dlog;
    program.defaultLogName = "mendra.log";
    program.failurePrefix = "(main): Поймали исключение ";
    program.unknownFailure = "(main): Неизвестное исключение!";
    program.build = build;
    return uniset::programMain(argc, argv, program);
}
