// The mendra program as a person starts it: options, the simulator file's sections,
// the texts and exit codes of its start-up failures.
#include <gtest/gtest.h>

#include "Process.h"
#include "SimulatorBench.h"

using simtest::edited;

namespace
{
    using Edits = std::vector<std::pair<std::string, std::string>>;

    std::string apply(std::string text, const Edits& edits)
    {
        for (const auto& [from, to] : edits)
            text = edited(text, from, to);
        return text;
    }

    std::string withDir(std::string arg, const std::string& dir)
    {
        const std::string mark = "{dir}";
        for (auto pos = arg.find(mark); pos != std::string::npos; pos = arg.find(mark))
            arg.replace(pos, mark.size(), dir);
        return arg;
    }
}

struct ProgramCase
{
    std::string name;
    std::vector<std::string> args;   // "{dir}" is the test's directory, holding conf.xml and sim.xml
    Edits simulatorEdits;
    Edits configEdits;
    int status;
    std::string output;              // expected part of standard output and error, "{dir}" as above
    friend void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }
};

class ProgramTest : public ::testing::TestWithParam<ProgramCase>
{
};

TEST_P(ProgramTest, EndsWithItsStatusAndText)
{
    const ProgramCase& c = GetParam();
    testing_support::TempDir dir;
    dir.write("conf.xml",
              apply(testing_support::configXml(simtest::sampleConfigBody()), c.configEdits));
    dir.write("sim.xml", apply(simtest::sampleSimulatorFile(), c.simulatorEdits));
    std::vector<std::string> args;
    for (const auto& a : c.args)
        args.push_back(withDir(a, dir.path("")));

    const auto result = testing_support::runProgram(testing_support::programPath("simulator/mendra"), args);

    EXPECT_EQ(result.status, c.status) << result.output;
    EXPECT_NE(result.output.find(withDir(c.output, dir.path(""))), std::string::npos) << result.output;
}

namespace
{
    const std::vector<std::string> normal = {"--confile", "{dir}conf.xml", "--logdir", "{dir}", "--imitator-confile",
                                             "{dir}sim.xml"};

    std::vector<std::string> normalAnd(std::vector<std::string> more)
    {
        std::vector<std::string> all = normal;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }

    const Edits withoutSection3 = {{"SEES3Imitator", "SEES3Spare"}};
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, ProgramTest,
    ::testing::Values(
        ProgramCase{"HelpFirst", {"--help", "--confile", "none.xml"}, {}, {}, 0,
                    "--imitator-confile fname\t- Настроечный файл для имитатора. По умолчанию mendra.src.xml. \n"},
        ProgramCase{"HelpElsewhereIsAnOrdinaryArgument", normalAnd({"--help"}), withoutSection3, {}, 1,
                    "(main): не нашли раздела <SEES3Imitator> в {dir}sim.xml\n"},
        ProgramCase{"MissingSection", normal, withoutSection3, {}, 1,
                    "(main): не нашли раздела <SEES3Imitator> в {dir}sim.xml\n"},
        ProgramCase{"MissingFirstSectionIsNamedFirst", normal, {{"GRSHImitator", "GRSHSpare"}, {"SEES3Imitator", "SEES3Spare"}}, {}, 1,
                    "(main): не нашли раздела <GRSHImitator> в "},
        // SEES2 found inside another element; SEES4 named by its tag, which this configuration lacks.
        ProgramCase{"NestedSectionFoundAndTagNamesTheObject",
                    normal,
                    {{"<SEES2Imitator", "<group><SEES2Imitator"},
                     {"QG_LocalControl_S=\"SES2_QG_LocalControl_S\"/>", "QG_LocalControl_S=\"SES2_QG_LocalControl_S\"/></group>"},
                     {"idname=\"SEES4Imitator\"", ""}},
                    {{"<item id=\"5104\" name=\"SEES4Imitator\"/>", ""}},
                    1,
                    "(main): идентификатор 'SEES4Imitator' не найден в конф. файле!\n"},
        ProgramCase{"SimulatorFileMissing", {"--confile", "{dir}conf.xml", "--imitator-confile", "{dir}none.xml"}, {}, {}, 2,
                    "(main): Поймали исключение '{dir}none.xml'"},
        ProgramCase{"ConfigurationUnreadable", {"--confile", "{dir}none.xml"}, {}, {}, 2,
                    "(main): Поймали исключение '{dir}none.xml'"},
        ProgramCase{"ConfileWithoutValueIsIgnored", {"--imitator-confile", "{dir}sim.xml", "--confile"}, {}, {}, 2,
                    "(main): Поймали исключение 'configure.xml'"},
        ProgramCase{"MissingSensorInASection", normal, {{"QG_Off_S=\"SES2_QG_Off_S\"", ""}}, {}, 2,
                    "(main): Поймали исключение SEES2Imitator: Not found ID for (QG_Off_S) \n"}),
    [](const auto& info) { return info.param.name; });

TEST(ProgramLogTest, ErrorsGoToTheLogFileInTheLogDirectory)
{
    testing_support::TempDir dir;
    dir.write("conf.xml", testing_support::configXml(simtest::sampleConfigBody()));
    dir.write("sim.xml", edited(simtest::sampleSimulatorFile(), "\"SES3_QG_On_S\"/>", "\"SES3_QG_Closed\"/>"));

    const auto result = testing_support::runProgram(
        testing_support::programPath("simulator/mendra"),
        {"--confile", dir.path("conf.xml"), "--logdir", dir.path(""), "--logfile", "bench.log", "--imitator-confile",
         dir.path("sim.xml")});

    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.output.find("(main): Поймали исключение GRSHImitator init error"), std::string::npos)
        << result.output;
    EXPECT_NE(dir.read("bench.log").find("GRSHImitator: not found ID for SES3_QG_Closed"), std::string::npos)
        << dir.read("bench.log");
}
