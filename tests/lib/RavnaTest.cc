#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>

#include "Exceptions.h"
#include "Ravna.h"
#include "Saturate.h"
#include "StationState.h"
#include "TestSupport.h"

using namespace UniSetTypes;
using testing_support::TestWorld;

namespace
{
    const char* const kBase = R"(
  <nodes><item id="1" name="localhost"/></nodes>
  <controllers><item id="6000" name="SharedMemory1"/></controllers>)";

    // Milliseconds of local noon on a day, for the manual clock.
    int64_t localNoon(int year, int month, int day)
    {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = 12;
        tm.tm_isdst = -1;
        return static_cast<int64_t>(std::mktime(&tm)) * 1000;
    }
}

// The helpers cache what they found for the life of the program, so each cache is
// exercised by one test only (ctest runs every test in a process of its own).

TEST(StationState, TextsOfTheCodes)
{
    const char* texts[] = {"mOFF", "mON", "mPROTECTION", "mINIT", "mTRANSITIVE",
                           "mSLEEP", "mWARNING", "mALARM", "mREADY", "mRunning"};
    for (int code = 0; code < 10; ++code)
        EXPECT_EQ(Ravna::stateToString(code), texts[code]);
    for (int code : {-1, 10, 11})
        EXPECT_EQ(Ravna::stateToString(code), "Unknown");
}

TEST(Ravna, UnescapeNewlines)
{
    std::string text = "a\\n\\nb";
    Ravna::unescapeNewlines(text);
    EXPECT_EQ(text, "a\n\nb");
    std::string lone = "a\\b\\";
    Ravna::unescapeNewlines(lone);
    EXPECT_EQ(lone, "a\\b\\");
}

TEST(Ravna, FindNodeWithAnEmptyValueFindsTheFirstChildWithoutTheAttribute)
{
    TestWorld w(std::string(kBase) + R"(<settings><Root><a name="x"/><b/><c name="y"/></Root></settings>)");
    xmlNode* root = w.cfg().getNode("Root");
    EXPECT_EQ(UniXML::getName(Ravna::findNode(root, "", "name")), "b");
    EXPECT_EQ(UniXML::getName(Ravna::findNode(root, "y", "name")), "c");
    EXPECT_EQ(Ravna::findNode(root, "z", "name"), nullptr);
    EXPECT_EQ(Ravna::findNode(nullptr, "x", "name"), nullptr);
}

TEST(Ravna, HeartBeatTimeNotAboveZeroDisablesTheHeartbeatOnce)
{
    TestWorld w(std::string(kBase) + R"(<HeartBeatTime time_msec="-3"/>)");
    testing_support::TempDir dir;
    DebugStream saved = Ravna::dlog;
    Ravna::dlog.level(Debug::ANY);
    Ravna::dlog.logFile(dir.path("log"));

    EXPECT_EQ(Ravna::getHeartBeatTime(), 0);
    EXPECT_EQ(Ravna::getHeartBeatTime(), 0);
    const std::string text = dir.read("log");
    const std::string warning = "(getHeartBeatTime): механизм 'HEARTBEAT' ОТКЛЮЧЁН!";
    EXPECT_NE(text.find(warning), std::string::npos);
    EXPECT_EQ(text.find(warning), text.rfind(warning));
    Ravna::dlog = saved;
}

TEST(Ravna, SharedMemoryIdIsLookedUpUntilFound)
{
    {
        TestWorld w("<nodes><item id=\"1\" name=\"localhost\"/></nodes>");
        EXPECT_THROW(Ravna::getSharedMemoryID(), SystemError);
        EXPECT_THROW(Ravna::getSharedMemoryID(), SystemError);
    }
    TestWorld w(kBase);
    testing::internal::CaptureStdout();
    EXPECT_EQ(Ravna::getSharedMemoryID(), 6000);
    EXPECT_EQ(Ravna::getSharedMemoryID(), 6000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "(Ravna): shm=SharedMemory1 id=6000\n");
}

TEST(Ravna, SaveDirIsTodaysDirectoryUnderTheGuiSaveDir)
{
    testing_support::TempDir dir;
    TestWorld w(std::string(kBase) + "<GUI SaveDir=\"" + dir.path("save") + "\"/>");
    std::filesystem::create_directory(dir.path("save"));
    w.clock().advanceMs(localNoon(2012, 1, 5) - w.clock().nowMs());

    EXPECT_EQ(Ravna::getSaveDir(), dir.path("save") + "/05.01.2012");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("save/05.01.2012")));

    w.clock().advanceMs(localNoon(2012, 12, 25) - w.clock().nowMs());
    EXPECT_EQ(Ravna::getSaveDir(), dir.path("save") + "/25.12.2012");
}

TEST(Ravna, SaveDirThatCannotBeCreatedThrows)
{
    testing_support::TempDir dir;
    TestWorld w(std::string(kBase) + "<GUI SaveDir=\"" + dir.path("missing/parent") + "\"/>");
    w.clock().advanceMs(localNoon(2012, 1, 5) - w.clock().nowMs());
    try
    {
        Ravna::getSaveDir();
        FAIL() << "created";
    }
    catch (const SystemError& ex)
    {
        EXPECT_EQ(ex.text, "(getSaveDir): Невозможно создать каталог '" + dir.path("missing/parent") + "/05.01.2012'");
    }
}

TEST(Ravna, CalibrationDiagramsOfTheConfigurationInUseAfterAnotherWasReplaced)
{
    const std::string diagram = R"(<Calibrations><diagram name="p"><point x="0" y="0"/><point x="10" y="%"/></diagram></Calibrations>)";
    auto withTop = [&](const std::string& top) {
        std::string d = diagram;
        d.replace(d.find('%'), 1, top);
        return std::string(kBase) + d;
    };
    {
        TestWorld first(withTop("100"));
        std::unique_ptr<Calibration> primed(Ravna::buildCalibrationDiagram("p"));
    }
    TestWorld second(withTop("1000"));

    std::unique_ptr<Calibration> c(Ravna::buildCalibrationDiagram("p"));

    EXPECT_EQ(c->getValue(5), 500);
}

TEST(Ravna, CalibrationDiagramsByName)
{
    {
        TestWorld w(kBase);
        EXPECT_THROW(Ravna::buildCalibrationDiagram("p"), SystemError);
    }
    TestWorld w(std::string(kBase) + R"(<Calibrations><diagram name="p"><point x="0" y="0"/><point x="10" y="100"/></diagram></Calibrations>)");
    std::unique_ptr<Calibration> c(Ravna::buildCalibrationDiagram("p"));
    EXPECT_EQ(c->getValue(5), 50);
    try
    {
        Ravna::buildCalibrationDiagram("q");
        FAIL() << "built";
    }
    catch (const SystemError& ex)
    {
        EXPECT_EQ(ex.text, "(buildCalibrationDiagram): НЕ НАЙДЕНА калибровочная диаграмма 'q'");
    }
}

TEST(Saturate, ReadingsBeyondTheFigureAreFixedAtItsEnds)
{
    constexpr long big = 1L << 31;
    EXPECT_EQ(Ravna::saturate<int>(big), std::numeric_limits<int>::max());
    EXPECT_EQ(Ravna::saturate<int>(-big - 1), std::numeric_limits<int>::min());
    EXPECT_EQ(Ravna::saturate<int>(std::numeric_limits<long>::min()), std::numeric_limits<int>::min());
    EXPECT_EQ(Ravna::saturate<int>(-42L), -42);
    EXPECT_EQ(Ravna::saturate<int>(big - 1), std::numeric_limits<int>::max());
}
