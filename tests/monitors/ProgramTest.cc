// piltov's and zarsen's start-up, run as the real programs: what they say and
// how they end when the configuration lacks something or an object refuses it.
#include <gtest/gtest.h>

#include "Process.h"
#include "TestSupport.h"

using testing_support::programPath;
using testing_support::runProgram;
using testing_support::TempDir;

namespace
{
    struct Bench
    {
        std::string settings;
        std::string objects;
    };

    // Every node and object piltov and zarsen need; edit the text to take one away.
    Bench fullBench()
    {
        Bench b;
        for (const char* n : {"1", "2", "3", "4", "A"})
            b.settings += std::string("<QG") + n + "StateLogic state_as=\"QG_State_as\" on_s=\"QG_On_S\" "
                          "off_s=\"QG_Off_S\" protection_s=\"QG_Prot_S\"/>\n";
        for (const char* n : {"1", "2", "3", "4"})
            b.settings += std::string("<VDG") + n + "StateLogic Diesel_Working_s=\"Diesel_S\" "
                          "Generator_Working_s=\"Generator_S\" DG_Working_s=\"DG_Working_S\" "
                          "State_as=\"VDG_State_as\" Generator_as=\"Generator_as\"/>\n";
        b.settings += "<GRS NoPower_s=\"NoPower_S\"><group name=\"g\" nopower_s=\"NoPower_S\">"
                      "<item name=\"QG_On_S\"/></group></GRS>\n<ADGState/>\n";
        const char* names[] = {"QG1StateLogic", "QG2StateLogic", "QG3StateLogic", "QG4StateLogic", "QGAStateLogic",
                               "VDG1StateLogic", "VDG2StateLogic", "VDG3StateLogic", "VDG4StateLogic", "GRS",
                               "ADGState"};
        int id = 5200;
        for (const char* n : names)
            b.objects += "<item id=\"" + std::to_string(id++) + "\" name=\"" + n + "\"/>\n";
        return b;
    }

    std::string configText(const Bench& b)
    {
        return testing_support::configXml(R"(<LogDir path="./"/>
            <logs><stream name="dlog" levels="crit"/></logs>
            <settings>)" + b.settings + R"(</settings>
            <nodes><item id="1" name="localhost"/></nodes>
            <sensors>
              <item id="100" name="QG_State_as" iotype="AI"/>
              <item id="101" name="QG_On_S" iotype="DI"/>
              <item id="102" name="QG_Off_S" iotype="DI"/>
              <item id="103" name="QG_Prot_S" iotype="DI"/>
              <item id="110" name="Diesel_S" iotype="DI"/>
              <item id="111" name="Generator_S" iotype="DI"/>
              <item id="112" name="DG_Working_S" iotype="DI"/>
              <item id="113" name="VDG_State_as" iotype="AI"/>
              <item id="114" name="Generator_as" iotype="AI"/>
              <item id="120" name="NoPower_S" iotype="DI"/>
            </sensors>
            <objects>)" + b.objects + "</objects>");
    }

    void replace(std::string& text, const std::string& piece, const std::string& with)
    {
        const auto at = text.find(piece);
        ASSERT_NE(at, std::string::npos) << piece;
        text.replace(at, piece.size(), with);
    }

    void drop(std::string& text, const std::string& piece) { replace(text, piece, ""); }

    struct Launch
    {
        explicit Launch(const Bench& b) { dir.write("configure.xml", configText(b)); }
        testing_support::RunResult operator()(const std::string& program)
        {
            return runProgram(programPath("monitors/" + program),
                              {"--confile", dir.path("configure.xml"), "--logdir", dir.path(""),
                               "--store-name", testing_support::uniqueStoreName("monitors")});
        }
        TempDir dir;
    };
}

TEST(Piltov, MissingObjectIdEndsWithStatus1)
{
    Bench b = fullBench();
    drop(b.objects, R"(<item id="5207" name="VDG3StateLogic"/>)");

    const auto r = Launch(b)("piltov");

    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "(main): идентификатор 'VDG3StateLogic' не найден в конф. файле!\n") << "one whole line";
}

TEST(Piltov, MissingNodeEndsWithStatus1)
{
    Bench b = fullBench();
    drop(b.settings, R"(<GRS NoPower_s="NoPower_S">)");
    drop(b.settings, R"(<group name="g" nopower_s="NoPower_S"><item name="QG_On_S"/></group></GRS>)");

    const auto r = Launch(b)("piltov");

    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "(main): xmlnode 'GRS' не найден в конф. файле!\n") << "one whole line";
}

TEST(Piltov, RefusedObjectEndsNonZeroWithItsReasonLogged)
{
    Bench b = fullBench();
    replace(b.settings, R"(<QG2StateLogic state_as="QG_State_as" on_s="QG_On_S")",
            R"(<QG2StateLogic state_as="QG_State_as")");
    Launch launch(b);

    const auto r = launch("piltov");

    EXPECT_EQ(r.status, 2);
    const std::string line = "(piltov): QG2StateLogic: Not found ID for (on_s) ";
    EXPECT_NE(r.output.find(line), std::string::npos) << r.output;
    EXPECT_NE(launch.dir.read("piltov.log").find(line), std::string::npos);
}

TEST(Piltov, ConfileAsTheLastArgumentIsNotTaken)
{
    const auto r = runProgram(programPath("monitors/piltov"), {"--logdir", "/nonexistent/", "--confile"});

    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("configure.xml"), std::string::npos) << r.output;
}

TEST(Zarsen, MissingObjectEndsWithStatus1)
{
    Bench b = fullBench();
    drop(b.objects, R"(<item id="5210" name="ADGState"/>)");

    const auto r = Launch(b)("zarsen");

    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "(main): идентификатор 'ADGState' не найден в конф. файле!\n") << "one whole line";
}

TEST(Zarsen, LogsToItsOwnFile)
{
    Bench b = fullBench();
    replace(b.settings, "<ADGState/>", R"(<ADGState heartbeat_id="Nope"/>)");
    Launch launch(b);

    const auto r = launch("zarsen");

    EXPECT_EQ(r.status, 2);
    EXPECT_NE(launch.dir.read("zarsen.log").find("(adgstate): ADGState: не найден идентификатор для датчика 'HeartBeat' Nope"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(launch.dir.read("piltov.log"), "");
}
