// kolvar as a real process: its start-up failures and exit statuses, and the whole
// bench (smemory, kolvar, mendra, piltov, zarsen) keeping the switchboard powered.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "StoreBench.h"

using testing_support::programPath;
using testing_support::sourcePath;
using testing_support::StoreBench;

namespace
{
    using testing_support::Edits;

    std::string benchConfiguration(const Edits& edits)
    {
        return testing_support::edited(testing_support::readFile(sourcePath("config/configure.xml")), edits,
                                       "the bench configuration");
    }

    std::vector<std::string> linesOf(const std::string& text)
    {
        std::vector<std::string> lines;
        size_t begin = 0;
        for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
            lines.push_back(text.substr(begin, end - begin));
        if (begin < text.size())
            lines.push_back(text.substr(begin));
        return lines;
    }

    struct StartUpCase
    {
        const char* name;
        Edits edits;
        std::vector<std::string> args;   // "{fifo}": a FIFO in place of the file
        int status;
        std::string line;                // the last line of the output, the one that says why
    };

    void PrintTo(const StartUpCase& c, std::ostream* os) { *os << c.name; }

    class KolvarStartUp : public ::testing::TestWithParam<StartUpCase>
    {
    };
}

TEST_P(KolvarStartUp, EndsWithOneLineAndItsExitStatus)
{
    const StartUpCase& c = GetParam();
    testing_support::TempDir dir;
    dir.write("configure.xml", benchConfiguration(c.edits));
    mkfifo(dir.path("fifo.xml").c_str(), 0600);
    // The row's options first: of two --confile the first counts.
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(a == "{fifo}" ? dir.path("fifo.xml") : a);
    const std::vector<std::string> bench{"--confile", dir.path("configure.xml"), "--logdir", dir.path(""),
                                         "--store-name", testing_support::uniqueStoreName("kolvar")};
    args.insert(args.end(), bench.begin(), bench.end());

    const auto got = testing_support::runProgram(programPath("control/kolvar"), args);

    EXPECT_EQ(got.status, c.status) << got.output;
    const auto lines = linesOf(got.output);
    ASSERT_FALSE(lines.empty());
    std::string line = c.line;
    if (const size_t at = line.find("{fifo}"); at != std::string::npos)
        line.replace(at, 6, dir.path("fifo.xml"));
    EXPECT_EQ(lines.back(), line) << got.output;
    // Before it, at most the warnings of the objects built up to the failure.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("(seescontrol)") == 0; }),
              1)
        << got.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KolvarStartUp,
    ::testing::Values(
        StartUpCase{"NoSupervisionNode",
                    {{"<SEESControl name", "<Supervision name"}, {"</SEESControl>", "</Supervision>"}},
                    {},
                    1,
                    "(seescontrol): not found <SEESControl> in conffile"},
        StartUpCase{"NoStationList", {{"<seslist>", "<stations>"}, {"</seslist>", "</stations>"}}, {}, 2,
                    "(seescontrol): SEESControl: FAILED! <seslist> not found!"},
        StartUpCase{"NoStructure", {{"<structure>", "<busbars>"}, {"</structure>", "</busbars>"}}, {}, 2,
                    "(seescontrol): SEESControl: FAILED! <structure> not found!"},
        StartUpCase{"StructureNamesNoStation", {{R"(<item name="SES3"/>
          <item name="SES4"/>)", R"(<item name="SES5"/>)"}},
                    {},
                    2,
                    "(seescontrol): SEESControl(buildSESList): FAILED! <seslist>. Not found in seslist name='SES5'"},
        StartUpCase{"BreakerWithoutNode", {{R"(<item name="QF1" power)", R"(<item name="QF9" power)"}}, {}, 2,
                    "(seescontrol): SEESControl: FAILED! confnode not found for QF9"},
        StartUpCase{"NoPriorityList", {{"<prioritylist ", "<priorities "}, {"</prioritylist>", "</priorities>"}},
                    {}, 2, "(seescontrol): SEESControl(init): Not found <prioritylist>"},
        StartUpCase{"SettingNotANumber", {}, {"--max-working-dg", "three"}, 2,
                    "(seescontrol): option --max-working-dg 'three' is not a whole number"},
        StartUpCase{"ConfigurationAFifo", {}, {"--confile", "{fifo}"}, 2,
                    "(seescontrol): '{fifo}': is a FIFO, not a configuration file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KolvarRun, WritesItsBannerIntoTheNamedLogAndEndsWithZeroOnTerminate)
{
    StoreBench bench("kolvar-run");
    auto smemory = bench.startStore();
    auto kolvar = bench.start("control/kolvar", {"--logfile", "station.log"});

    // Running: the first selector's priorities are written.
    ASSERT_TRUE(bench.await("SES4_Priority_s", 4)) << kolvar->output();
    EXPECT_EQ(kolvar->stop(), 0) << kolvar->output();

    const std::string log = testing_support::readFile(bench.dir.path("station.log"));
    EXPECT_NE(log.find("(main): -------------- SEESControl START -------------------------"), std::string::npos) << log;
    smemory->stop();
}
