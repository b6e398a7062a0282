#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

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
    auto sut = make({"prog", "--sleep-msec", "70", "--name=value", "--flag"});
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

namespace
{
    // What stands at the path the program is given.
    enum class FileIs
    {
        Text,
        Missing,
        Directory,
        Fifo,
        Device
    };

    struct BadConfigCase
    {
        const char* name;
        std::string text;       // the file's contents, when it is a text file
        const char* expected;   // part of the error text
        FileIs kind = FileIs::Text;
    };

    void PrintTo(const BadConfigCase& c, std::ostream* os) { *os << c.name; }

    std::string sensorItem(const std::string& name, int id = 1)
    {
        return "<item id='" + std::to_string(id) + "' name='" + name + "' iotype='DI'/>";
    }
    const std::string kSensorList = "<sensors>" + sensorItem("A_S") + "</sensors>";
    std::string withSensorNamed(const std::string& name) { return configXml("<sensors>" + sensorItem(name) + "</sensors>"); }
    std::string withHeartBeat(const std::string& value)
    {
        return configXml("<HeartBeatTime time_msec='" + value + "'/>" + kSensorList);
    }

    // Puts at path what the case says is there; the path the program is to be given.
    std::string placeFile(const testing_support::TempDir& dir, const BadConfigCase& c)
    {
        const std::string path = dir.path("conf.xml");
        switch (c.kind)
        {
        case FileIs::Text: dir.write("conf.xml", c.text); break;
        case FileIs::Missing: break;
        case FileIs::Directory: EXPECT_EQ(mkdir(path.c_str(), 0700), 0); break;
        case FileIs::Fifo: EXPECT_EQ(mkfifo(path.c_str(), 0600), 0); break;
        case FileIs::Device: return "/dev/null";
        }
        return path;
    }
}

class ConfigurationErrors : public ::testing::TestWithParam<BadConfigCase>
{
};

TEST_P(ConfigurationErrors, NameTheFileAndWhatIsWrongInOneLine)
{
    testing_support::TempDir dir;
    const auto& c = GetParam();
    const std::string path = placeFile(dir, c);
    const char* argv[] = {"prog", "--confile", path.c_str()};
    try
    {
        Configuration sut(3, argv);
        sut.requireSensors();   // what every program that uses the store asks
        FAIL() << "no error for " << c.name;
    }
    catch (const SystemError& ex)
    {
        EXPECT_NE(ex.text.find("'" + path + "'"), std::string::npos) << ex.text;
        EXPECT_NE(ex.text.find(c.expected), std::string::npos) << ex.text;
        EXPECT_EQ(ex.text.find('\n'), std::string::npos) << "one line: " << ex.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, ConfigurationErrors,
    ::testing::Values(
        BadConfigCase{"missing", "", "cannot be read", FileIs::Missing},
        BadConfigCase{"directory", "", "is a directory", FileIs::Directory},
        BadConfigCase{"fifo_is_refused_without_waiting_for_a_writer", "", "is a FIFO", FileIs::Fifo},
        BadConfigCase{"device", "", "is a device", FileIs::Device},
        BadConfigCase{"empty_file", "", "Document is empty"},
        BadConfigCase{"not_xml", "this is not xml", "line 1"},
        BadConfigCase{"unclosed_names_the_first_error", "<configure><sensors></configure>",
                      "line 1: Opening and ending tag mismatch"},
        BadConfigCase{"invalid_utf8", "<?xml version='1.0'?>\n<configure a='\xff\xfe'/>\n", "line 2: Input is not proper UTF-8"},
        BadConfigCase{"huge_attribute", "<configure a='" + std::string(20 << 20, 'x') + "'/>", "AttValue length too long"},
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
                      "local node 'far'"},
        BadConfigCase{"no_sensor_list", configXml("<objects><item id='1' name='O'/></objects>"), "no <sensors> list"},
        BadConfigCase{"empty_sensor_list", configXml("<sensors/>"), "line 3: the <sensors> list is empty"},
        BadConfigCase{"sensor_list_of_comments_only", configXml("<sensors><!-- later --></sensors>"), "list is empty"},
        BadConfigCase{"sensor_list_inside_settings", configXml("<settings>" + kSensorList + "</settings>"),
                      "<sensors> inside <settings>"},
        BadConfigCase{"second_sensor_list_inside_an_object",
                      configXml(kSensorList + "<settings><Obj name='Obj'>" + kSensorList + "</Obj></settings>"),
                      "<sensors> inside <Obj>"},
        BadConfigCase{"unknown_element_among_sensors",
                      configXml("<sensors>" + sensorItem("A_S") + "<sensor id='2' name='B_S' iotype='DI'/></sensors>"),
                      "<sensors> holds <sensor>; only <item>"},
        BadConfigCase{"unknown_element_among_objects",
                      configXml(kSensorList + "<objects><object id='5' name='O'/></objects>"), "<objects> holds <object>"},
        BadConfigCase{"sensor_name_all_digits", withSensorNamed("10"), "'10' is all digits"},
        BadConfigCase{"sensor_name_with_equals", withSensorNamed("A=B"), "'A=B' holds '='"},
        BadConfigCase{"sensor_name_blank", withSensorNamed(" "), "' ' is blank"},
        BadConfigCase{"sensor_name_with_a_blank", withSensorNamed("A B"), "'A B' holds white space"},
        BadConfigCase{"heartbeat_not_a_number", withHeartBeat("soon"),
                      "line 3: <HeartBeatTime> 'time_msec'='soon' is not a whole number"},
        BadConfigCase{"heartbeat_a_fraction", withHeartBeat("5.5"), "'time_msec'='5.5' is not a whole number"},
        BadConfigCase{"heartbeat_beyond_int", withHeartBeat("99999999999"), "is not a whole number"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Configuration, ANumericSettingOfAnObjectThatIsNotANumberNamesTheFileLineAndAttribute)
{
    auto sut = Configuration::fromString(configXml(kSensorList + "\n<settings>\n<Obj askPause='soon' sleep=' 7 '/></settings>"));
    xmlNode* obj = sut->getNode("Obj");
    EXPECT_EQ(sut->getIntProp(obj, "sleep"), 7) << "blanks around a number are allowed";
    EXPECT_EQ(sut->getPIntProp(obj, "absent", 5), 5);
    try
    {
        sut->getPIntProp(obj, "askPause", 2000);
        FAIL() << "no error";
    }
    catch (const SystemError& ex)
    {
        EXPECT_EQ(ex.text, "'<string>': line 5: <Obj> 'askPause'='soon' is not a whole number");
    }
}

namespace
{
    struct OptionCase
    {
        const char* name;
        std::vector<std::string> args;
        std::function<void(const Configuration&)> read;
        const char* expected;
    };

    void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

    const auto readStoreName = [](const Configuration& c) { c.getArgParam("--store-name", "default"); };
    const auto readSleep = [](const Configuration& c) { c.getArgPInt("--sleep-msec", "150", 150); };
}

class OptionErrors : public ::testing::TestWithParam<OptionCase>
{
};

TEST_P(OptionErrors, AreRefusedRatherThanTakenAsTheDefault)
{
    const auto& c = GetParam();
    auto args = c.args;
    args.insert(args.begin(), "prog");
    auto sut = make(args);
    try
    {
        c.read(*sut);
        FAIL() << "no error";
    }
    catch (const SystemError& ex)
    {
        EXPECT_EQ(ex.text, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, OptionErrors,
    ::testing::Values(
        OptionCase{"ValueMissingAtTheEnd", {"--store-name"}, readStoreName, "option --store-name needs a value"},
        OptionCase{"ValueEmpty", {"--store-name", ""}, readStoreName, "option --store-name needs a value"},
        OptionCase{"ValueEmptyAfterEquals", {"--store-name="}, readStoreName, "option --store-name needs a value"},
        OptionCase{"AnotherOptionInPlaceOfTheValue", {"--store-name", "--reset"}, readStoreName,
                   "option --store-name needs a value"},
        OptionCase{"NumberNotANumber", {"--sleep-msec", "soon"}, readSleep, "option --sleep-msec 'soon' is not a whole number"},
        OptionCase{"NumberWithAUnit", {"--sleep-msec=150ms"}, readSleep, "option --sleep-msec '150ms' is not a whole number"},
        OptionCase{"SettingNotANumber", {}, [](const Configuration& c) { c.getArgPInt("--heartbeat-time", "soon", 0); },
                   "'soon', the setting for --heartbeat-time, is not a whole number"}),
    [](const auto& info) { return std::string(info.param.name); });
