// The program start-up as a program sees it, run in a probe program: --help, the
// exit statuses, a failure on standard error and in the log, and a normal run.
#include <gtest/gtest.h>

#include <csignal>

#include "Process.h"
#include "TestSupport.h"

using testing_support::TempDir;

namespace
{
    const char* const kConfig = R"(<LogDir path="./"/>
        <logs><stream name="dlog" levels="crit,info"/></logs>
        <nodes><item id="1" name="localhost"/></nodes>
        <sensors><item id="100" name="Some_S" iotype="DI"/></sensors>
        <objects><item id="5000" name="Probe"/></objects>)";

    std::string probe() { return testing_support::programPath("tests/runtime/program_probe"); }

    struct Bench
    {
        Bench() { dir.write("configure.xml", testing_support::configXml(kConfig)); }
        std::vector<std::string> args(const std::string& build) const
        {
            return {"--confile", dir.path("configure.xml"), "--logdir", dir.path(""), "--build", build,
                    "--store-name", testing_support::uniqueStoreName("probe")};
        }
        TempDir dir;
    };

    struct StartCase
    {
        std::string name;
        std::string build;   // "": the arguments are --help and a missing configuration
        int status;
        std::string said;    // on standard output or error
        std::string logged;  // in the program's log ("": not looked at)
        friend void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
    };

    class ProgramStart : public ::testing::TestWithParam<StartCase>
    {
    };
}

TEST_P(ProgramStart, EndsWithItsStatusAndSaysWhy)
{
    const StartCase& c = GetParam();
    Bench bench;

    const auto r = testing_support::runProgram(
        probe(), c.build.empty() ? std::vector<std::string>{"--help", "--confile", bench.dir.path("none.xml")}
                                 : bench.args(c.build));

    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_NE(r.output.find(c.said), std::string::npos) << r.output;
    if (!c.logged.empty())
    {
        EXPECT_NE(bench.dir.read("probe.log").find(c.logged), std::string::npos) << bench.dir.read("probe.log");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, ProgramStart,
    ::testing::Values(
        StartCase{"HelpFirstReadsNothing", "", 0, "--build what\t- what the probe's build does\n", ""},
        StartCase{"SomethingMissing", "missing", 1, "(probe): no section Probe\n", ""},
        StartCase{"AnExceptionOnBothLogAndStandardError", "exception", 2, "(probe): Probe: a setting is wrong\n",
                  "(probe): Probe: a setting is wrong"},
        StartCase{"AThrowOfNoKnownKind", "other", 2, "(probe): catch(...)\n", "(probe): catch(...)"}),
    [](const auto& info) { return info.param.name; });

TEST(ProgramMain, AnUnreadableConfigurationEndsWithStatus2NamingIt)
{
    TempDir dir;

    const auto r = testing_support::runProgram(probe(), {"--confile", dir.path("none.xml")});

    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("(probe): '" + dir.path("none.xml") + "'"), std::string::npos) << r.output;
}

TEST(ProgramMain, RunsTheObjectsUntilATerminateSignalAndEndsWithStatus0)
{
    Bench bench;
    testing_support::Program sut(probe(), bench.args("object"), bench.dir.path("output.txt"));
    ASSERT_TRUE(testing_support::waitFor([&] { return sut.output().find("(probe): started") != std::string::npos; }))
        << sut.output();

    EXPECT_EQ(sut.stop(), 0) << sut.output();
    EXPECT_NE(bench.dir.read("probe.log").find("(main): -------------- Probe START -------------------------"),
              std::string::npos);
}
