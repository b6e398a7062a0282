#include <gtest/gtest.h>

#include "Configuration.h"
#include "Exceptions.h"
#include "TestSupport.h"
#include "UniXML.h"

using namespace UniSetTypes;
using testing_support::configXml;

namespace
{
    const char* const kBody = R"(
  <LocalNode name="node2"/>
  <LogDir path="/var/log/ravna"/>
  <HeartBeatTime time_msec="3000"/>
  <logs><stream name="dlog" levels="crit, warn"/></logs>
  <settings>
    <Switchboard name="Switchboard" sleep="7">
      <item name="first"/>
      <!-- a comment between elements -->
      <item name="second" value="2"/>
    </Switchboard>
    <Other name="Other"><Switchboard name="nested"/></Other>
  </settings>
  <nodes>
    <item id="1" name="node1"/>
    <item id="2" name="node2"/>
  </nodes>
  <sensors>
    <item id="10" name="Input_S" iotype="DI" default="5" textname="an input"/>
    <item id="11" name="Level_AS" iotype="AI" default="-7"/>
    <item id="12" name="Cmd_C" iotype="do"/>
  </sensors>
  <objects>
    <item id="100" name="Switchboard"/>
  </objects>
  <controllers>
    <item id="200" name="SharedMemory1"/>
  </controllers>)";

    std::unique_ptr<Configuration> make(std::vector<std::string> args = {"prog"})
    {
        return Configuration::fromString(configXml(kBody), std::move(args));
    }
}

TEST(Configuration, ResolvesNamesAndIdsOfEveryKind)
{
    auto sut = make();
    EXPECT_EQ(sut->getSensorID("Input_S"), 10);
    EXPECT_EQ(sut->getObjectID("Switchboard"), 100);
    EXPECT_EQ(sut->getControllerID("SharedMemory1"), 200);
    EXPECT_EQ(sut->getNodeID("node1"), 1);
    EXPECT_EQ(sut->getLocalNode(), 2);
    EXPECT_EQ(sut->getSensorID("Switchboard"), DefaultObjectId);   // kinds do not mix
    EXPECT_EQ(sut->getSensorID(""), DefaultObjectId);
    EXPECT_EQ(sut->getSensorID("Nothing_S"), DefaultObjectId);
    EXPECT_EQ(sut->getNameById(11), "Level_AS");
    EXPECT_EQ(sut->getNameById(999), "");
    EXPECT_EQ(sut->getIOType(12), UniversalIO::DigitalOutput);
    EXPECT_EQ(sut->getIOType(100), UniversalIO::UnknownIOType);
    EXPECT_EQ(sut->getSensor(10)->defaultValue, 1);   // digital defaults are 0 or 1
    EXPECT_EQ(sut->getSensor(11)->defaultValue, -7);
    EXPECT_EQ(sut->getLogDir(), "/var/log/ravna/");
    EXPECT_EQ(sut->getHeartBeatTime(), 3000);
}

TEST(Configuration, NodesAreFoundInDocumentOrderAndBelowANode)
{
    auto sut = make();
    xmlNode* sw = sut->getNode("Switchboard");
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sut->getProp(sw, "name"), "Switchboard");
    EXPECT_EQ(sut->getProp(sut->findNode(sut->getNode("Other"), "Switchboard"), "name"), "nested");
    EXPECT_EQ(sut->getNode("Missing"), nullptr);
    EXPECT_EQ(sut->getIntProp(sw, "sleep"), 7);
    EXPECT_EQ(sut->getIntProp(sw, "absent"), 0);
    EXPECT_EQ(sut->getPIntProp(sw, "absent", 42), 42);

    UniXML_iterator it(sw);
    ASSERT_TRUE(it.goChildren());
    EXPECT_EQ(it.getProp("name"), "first");
    ASSERT_TRUE(it.goNext());   // the comment is skipped
    EXPECT_EQ(it.getIntProp("value"), 2);
    EXPECT_FALSE(it.goNext());
    EXPECT_NE(sut->getXMLSensorsSection(), nullptr);
}

TEST(Configuration, CommandLineOptionsTakePrecedenceOverDefaults)
{
    auto sut = make({"prog", "--sleep-msec", "70", "--name=value", "--flag", "--empty", ""});
    EXPECT_EQ(sut->getArgParam("--sleep-msec"), "70");
    EXPECT_EQ(sut->getArgParam("--name"), "value");
    EXPECT_EQ(sut->getArgParam("--absent", "def"), "def");
    EXPECT_TRUE(sut->hasArg("--flag"));
    EXPECT_EQ(sut->getArgInt("--sleep-msec", "5"), 70);
    EXPECT_EQ(sut->getArgInt("--absent", "5"), 5);
    EXPECT_EQ(sut->getArgInt("--absent", ""), 0);
    EXPECT_EQ(sut->getArgPInt("--sleep-msec", "130", 130), 70);
    EXPECT_EQ(sut->getArgPInt("--absent", "130", 99), 130);
    EXPECT_EQ(sut->getArgPInt("--absent", "", 99), 99);
    EXPECT_EQ(sut->getArgPInt("--empty", 99), 99);
    EXPECT_EQ(sut->getArgPInt("--absent", 20000), 20000);
}

TEST(Configuration, InitDebugAppliesConfiguredThenCommandLineLevels)
{
    auto sut = make();
    DebugStream d;
    sut->initDebug(d, "dlog");
    EXPECT_EQ(d.level(), Debug::CRIT | Debug::WARN);

    auto withOption = make({"prog", "--dlog-levels", "info,level1"});
    withOption->initDebug(d, "dlog");
    EXPECT_EQ(d.level(), Debug::INFO | Debug::LEVEL1);

    auto bad = make({"prog", "--dlog-levels", "loud"});
    EXPECT_THROW(bad->initDebug(d, "dlog"), SystemError);
}

TEST(Configuration, FileIsNamedByConfileAndReadFromDisk)
{
    testing_support::TempDir dir;
    dir.write("my.xml", configXml(kBody));
    const std::string path = dir.path("my.xml");
    const char* argv[] = {"prog", "--confile", path.c_str()};
    Configuration sut(3, argv);
    EXPECT_EQ(sut.getConfFileName(), path);
    EXPECT_EQ(sut.getSensorID("Level_AS"), 11);
}

struct BadConfigCase
{
    const char* name;
    std::string text;       // file contents; empty: the file does not exist
    const char* expected;   // part of the error text
};

void PrintTo(const BadConfigCase& c, std::ostream* os) { *os << c.name; }

class ConfigurationErrors : public ::testing::TestWithParam<BadConfigCase>
{
};

TEST_P(ConfigurationErrors, NameTheFileAndWhatIsWrong)
{
    testing_support::TempDir dir;
    const auto& c = GetParam();
    if (!c.text.empty())
        dir.write("conf.xml", c.text);
    const std::string path = dir.path("conf.xml");
    const char* argv[] = {"prog", "--confile", path.c_str()};
    try
    {
        Configuration sut(3, argv);
        FAIL() << "no error for " << c.name;
    }
    catch (const SystemError& ex)
    {
        EXPECT_NE(ex.text.find(path), std::string::npos) << ex.text;
        EXPECT_NE(ex.text.find(c.expected), std::string::npos) << ex.text;
        EXPECT_EQ(ex.text.find('\n'), std::string::npos) << "one line: " << ex.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, ConfigurationErrors,
    ::testing::Values(
        BadConfigCase{"missing", "", "cannot be read"},
        BadConfigCase{"not_xml", "this is not xml", "line 1"},
        BadConfigCase{"unclosed", "<configure><sensors></configure>", "line"},
        BadConfigCase{"bad_iotype", configXml("<sensors><item id='1' name='A' iotype='XX'/></sensors>"), "'iotype'='XX'"},
        BadConfigCase{"no_id", configXml("<sensors><item name='A' iotype='DI'/></sensors>"), "item 'A' has no 'id'"},
        BadConfigCase{"bad_id", configXml("<objects><item id='1x' name='A'/></objects>"), "bad 'id'='1x'"},
        BadConfigCase{"no_name", configXml("<objects><item id='1'/></objects>"), "has no 'name'"},
        BadConfigCase{"repeated_id",
                      configXml("<sensors><item id='3' name='A' iotype='DI'/></sensors><objects><item id='3' name='B'/></objects>"),
                      "repeats id 3"},
        BadConfigCase{"repeated_name",
                      configXml("<sensors><item id='3' name='A' iotype='DI'/><item id='4' name='A' iotype='AI'/></sensors>"),
                      "names 'A' twice"},
        BadConfigCase{"bad_default", configXml("<sensors><item id='3' name='A' iotype='AI' default='x'/></sensors>"),
                      "bad 'default'='x'"},
        BadConfigCase{"unknown_local_node", configXml("<LocalNode name='far'/><nodes><item id='1' name='near'/></nodes>"),
                      "local node 'far'"}),
    [](const auto& info) { return std::string(info.param.name); });
