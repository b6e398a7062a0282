// mendra: the plant simulator of the test bench. Four station simulators and the
// main-switchboard simulator, built from the sections of the simulator file.
#include <array>
#include <iostream>
#include <memory>
#include <string>

#include "Configuration.h"
#include "Exceptions.h"
#include "GRSHImitator.h"
#include "Mendra.h"
#include "MessageType.h"
#include "ObjectsActivator.h"
#include "ProgramMain.h"
#include "Ravna.h"
#include "UniXML.h"

using namespace UniSetTypes;

namespace
{
    // A failure must not look like a normal end to the script that started the bench.
    constexpr int exitMissingSection = 1;
    constexpr int exitException = 2;

    // The switchboard first, then the four stations: the order of look-up, construction and start.
    const std::array<std::string, 5> sectionTags = {"GRSHImitator", "SEES1Imitator", "SEES2Imitator", "SEES3Imitator",
                                                    "SEES4Imitator"};

    std::string objectName(xmlNode* section)
    {
        const std::string idname = UniXML::getProp(section, "idname");
        return idname.empty() ? UniXML::getName(section) : idname;
    }

    int run(int argc, char** argv)
    {
        Configuration* cfg = uniset_init(argc, argv, "configure.xml");

        Ravna::openProgramLog("mendra.log");

        const std::string srcFile = cfg->getArgParam("--imitator-confile", "mendra.src.xml");
        UniXML src(srcFile);

        // Every section must be there before any object is built.
        std::array<xmlNode*, sectionTags.size()> sections{};
        for (size_t i = 0; i < sectionTags.size(); ++i)
        {
            sections[i] = src.findNode(src.getFirstNode()->children, sectionTags[i]);
            if (!sections[i])
            {
                std::cerr << "(main): не нашли раздела <" << sectionTags[i] << "> в " << srcFile << std::endl;
                return exitMissingSection;
            }
        }

        // Declared in this order, they are destroyed stations first (the last one first),
        // then the switchboard, then the activator.
        ObjectsActivator act;
        GRSHImitator grsh(objectName(sections[0]), sections[0]);
        std::array<std::unique_ptr<Mendra>, 4> stations;
        for (size_t i = 0; i < stations.size(); ++i)
            stations[i] = std::make_unique<Mendra>(objectName(sections[i + 1]), sections[i + 1]);

        act.addObject(&grsh);
        for (auto& s : stations)
            act.addObject(s.get());

        act.broadcast(SystemMessage(SystemMessage::StartUp, Message::High).transport());
        act.run(false);
        return 0;
    }
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--help")
    {
        std::cout << "--imitator-confile fname\t- Настроечный файл для имитатора. По умолчанию mendra.src.xml. "
                  << std::endl;
        return 0;
    }

    try
    {
        return run(argc, argv);
    }
    catch (const Exception& ex)
    {
        std::cerr << "(main): Поймали исключение " << ex << std::endl;
    }
    catch (...)
    {
        std::cerr << "(main): Неизвестное исключение!" << std::endl;
    }
    return exitException;
}
