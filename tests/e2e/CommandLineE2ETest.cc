// Bad command lines and hostile configuration files given to every program of the
// system: each is refused with one line that says what is wrong, and a non-zero
// exit; nothing runs on a default it was not asked for, and nothing hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

#include "Process.h"
#include "TestSupport.h"

using testing_support::programPath;

namespace
{
    struct CommandLineCase
    {
        const char* name;
        const char* program;
        std::vector<std::string> args;   // {conf}: the bench configuration, {fifo}: a FIFO, {bare}: one without sensors
        int status;
        const char* expected;            // part of the one line
    };

    void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

    class CommandLines : public ::testing::TestWithParam<CommandLineCase>
    {
    protected:
        CommandLines()
        {
            dir.write("configure.xml", testing_support::readFile(testing_support::sourcePath("config/configure.xml")));
            dir.write("bare.xml", testing_support::configXml("<objects><item id='1' name='ADGState'/></objects>"));
            mkfifo(dir.path("fifo.xml").c_str(), 0600);
        }

        std::vector<std::string> expand(const std::vector<std::string>& args) const
        {
            // A store and a log folder of the test's own, whatever the row says after them.
            std::vector<std::string> out{"--logdir", dir.path("")};
            for (std::string a : args)
            {
                for (const auto& [mark, file] : {std::pair<std::string, std::string>{"{conf}", "configure.xml"},
                                                 {"{fifo}", "fifo.xml"},
                                                 {"{bare}", "bare.xml"}})
                    if (a == mark)
                        a = dir.path(file);
                out.push_back(a);
            }
            return out;
        }

        testing_support::TempDir dir;
    };
}

TEST_P(CommandLines, AreRefusedWithOneLineAndANonZeroExit)
{
    const auto& c = GetParam();
    auto args = expand(c.args);
    if (std::string(c.program) == "tools/smctl")
        args.erase(args.begin(), args.begin() + 2);   // smctl writes no log
    const auto got = testing_support::runProgram(programPath(c.program), args);
    EXPECT_EQ(got.status, c.status) << got.output;
    EXPECT_EQ(std::count(got.output.begin(), got.output.end(), '\n'), 1) << got.output;
    EXPECT_NE(got.output.find(c.expected), std::string::npos) << got.output;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CommandLines,
    ::testing::Values(
        CommandLineCase{"SmemoryStoreNameWithoutValue", "tools/smemory", {"--confile", "{conf}", "--store-name"}, 1,
                        "smemory: option '--store-name' needs a value"},
        CommandLineCase{"SmemoryStoreNameEmpty", "tools/smemory", {"--confile", "{conf}", "--store-name", ""}, 1,
                        "option '--store-name' needs a value"},
        CommandLineCase{"SmemoryStoreNameEmptyAfterEquals", "tools/smemory", {"--confile", "{conf}", "--store-name="}, 1,
                        "option '--store-name' needs a value"},
        CommandLineCase{"SmemoryOptionInPlaceOfAValue", "tools/smemory", {"--store-name", "--reset"}, 1,
                        "option '--store-name' needs a value"},
        CommandLineCase{"SmemoryConfileWithoutValue", "tools/smemory", {"--confile"}, 1, "option '--confile' needs a value"},
        CommandLineCase{"SmemoryUnknownOption", "tools/smemory", {"--confile", "{conf}", "--frob"}, 1,
                        "unknown option '--frob'"},
        CommandLineCase{"SmemoryStrayWord", "tools/smemory", {"--confile", "{conf}", "start"}, 1,
                        "unexpected argument 'start'"},
        CommandLineCase{"SmemoryFlagWithAValue", "tools/smemory", {"--reset=yes"}, 1, "option '--reset' takes no value"},
        CommandLineCase{"SmemoryStoreNameNotAName", "tools/smemory", {"--confile", "{conf}", "--store-name", "a/b"}, 1,
                        "'a/b' may hold only"},
        CommandLineCase{"SmemoryConfileAFifo", "tools/smemory", {"--confile", "{fifo}"}, 1, "is a FIFO"},
        CommandLineCase{"SmemoryConfileADirectory", "tools/smemory", {"--confile", "/"}, 1, "'/': is a directory"},
        CommandLineCase{"SmemoryNoSensorList", "tools/smemory", {"--confile", "{bare}"}, 1, "no <sensors> list"},
        CommandLineCase{"SmemoryBadLogLevels", "tools/smemory", {"--confile", "{conf}", "--unideb-levels", "loud"}, 1,
                        "--unideb-levels"},
        CommandLineCase{"SmctlStoreNameWithoutValue", "tools/smctl", {"--confile", "{conf}", "--store-name"}, 1,
                        "smctl: option '--store-name' needs a value"},
        CommandLineCase{"SmctlStoreNameEmpty", "tools/smctl", {"--confile", "{conf}", "--store-name", "", "list"}, 1,
                        "option '--store-name' needs a value"},
        CommandLineCase{"SmctlConfileAFifo", "tools/smctl", {"--confile", "{fifo}", "list"}, 1, "is a FIFO"},
        CommandLineCase{"SmctlNoSensorList", "tools/smctl", {"--confile", "{bare}", "list"}, 1, "no <sensors> list"},
        CommandLineCase{"PiltovStoreNameEmpty", "monitors/piltov", {"--confile", "{conf}", "--store-name", ""}, 2,
                        "option --store-name needs a value"},
        CommandLineCase{"PiltovConfileAFifo", "monitors/piltov", {"--confile", "{fifo}"}, 2, "is a FIFO"},
        CommandLineCase{"PiltovSleepNotANumber", "monitors/piltov", {"--confile", "{conf}", "--sleep-msec", "soon"}, 2,
                        "option --sleep-msec 'soon' is not a whole number"},
        CommandLineCase{"ZarsenStoreNameWithoutValue", "monitors/zarsen", {"--confile", "{conf}", "--store-name"}, 2,
                        "option --store-name needs a value"},
        CommandLineCase{"ZarsenNoSensorList", "monitors/zarsen", {"--confile", "{bare}"}, 2, "no <sensors> list"},
        CommandLineCase{"MendraConfileAFifo", "simulator/mendra", {"--confile", "{fifo}"}, 2, "is a FIFO"},
        CommandLineCase{"MendraSmemoryIdEmpty", "simulator/mendra", {"--confile", "{conf}", "--smemory-id="}, 2,
                        "option --smemory-id needs a value"}),
    [](const auto& info) { return std::string(info.param.name); });
