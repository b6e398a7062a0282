#include <gtest/gtest.h>

#include <cstdio>

#include "DebugStream.h"
#include "Exceptions.h"
#include "TestSupport.h"

using testing_support::occurrences;

TEST(DebugStream, WritesOnlyAtEnabledLevels)
{
    testing_support::TempDir dir;
    DebugStream sut(Debug::CRIT | Debug::LEVEL1);
    sut.logFile(dir.path("a.log"));

    sut[Debug::INFO] << "info line" << std::endl;
    sut.crit() << "crit line" << std::endl;
    sut[Debug::LEVEL1] << "level1 line" << std::endl;
    sut[Debug::LEVEL2] << "level2 line" << std::endl;
    sut.any() << "any line" << std::endl;
    sut(Debug::CRIT) << "continuation" << std::endl;

    const std::string text = dir.read("a.log");
    EXPECT_EQ(occurrences(text, "info line"), 0u);
    EXPECT_EQ(occurrences(text, "level2 line"), 0u);
    EXPECT_EQ(occurrences(text, "crit line"), 1u);
    EXPECT_EQ(occurrences(text, "level1 line"), 1u);
    EXPECT_EQ(occurrences(text, "any line"), 1u);
    EXPECT_NE(text.find("\ncontinuation\n"), std::string::npos) << "a continuation has no time stamp";
    EXPECT_TRUE(sut.debugging(Debug::CRIT));
    EXPECT_FALSE(sut.debugging(Debug::WARN));
    EXPECT_EQ(sut.getLogFile(), dir.path("a.log"));
}

TEST(DebugStream, ParsesLevelNamesAndNumbers)
{
    EXPECT_EQ(Debug::value("info,warn,crit"), Debug::INFO | Debug::WARN | Debug::CRIT);
    EXPECT_EQ(Debug::value("level1, level2"), Debug::LEVEL1 | Debug::LEVEL2);
    EXPECT_EQ(Debug::value("128"), 128u);
    EXPECT_EQ(Debug::value("ANY"), Debug::ANY);
    EXPECT_EQ(Debug::value(""), Debug::NONE);
    EXPECT_THROW(Debug::value("loud"), UniSetTypes::Exception);
}

TEST(DebugStream, ACopyWritesToTheSameFile)
{
    testing_support::TempDir dir;
    DebugStream program(Debug::ANY);
    program.logFile(dir.path("p.log"));
    DebugStream classLog;          // all levels off until copied
    classLog = program;
    classLog.crit() << "from the class" << std::endl;
    program.crit() << "from the program" << std::endl;

    const std::string text = dir.read("p.log");
    EXPECT_NE(text.find("from the class"), std::string::npos);
    EXPECT_NE(text.find("from the program"), std::string::npos);
}

TEST(DebugStream, ReopeningAfterRotationReopensForEveryStream)
{
    testing_support::TempDir dir;
    const std::string path = dir.path("r.log");
    DebugStream library(Debug::ANY);
    DebugStream program(Debug::ANY);
    library.logFile(path);
    program.logFile(path);
    DebugStream copy = program;

    program.crit() << "before" << std::endl;
    ASSERT_EQ(std::rename(path.c_str(), dir.path("r.log.1").c_str()), 0);
    library.logFile(path);   // log rotation reopens the library's log only

    program.crit() << "program after" << std::endl;
    copy.crit() << "copy after" << std::endl;
    library.crit() << "library after" << std::endl;

    const std::string now = dir.read("r.log");
    EXPECT_NE(now.find("program after"), std::string::npos);
    EXPECT_NE(now.find("copy after"), std::string::npos);
    EXPECT_NE(now.find("library after"), std::string::npos);
    EXPECT_EQ(now.find("before"), std::string::npos);
    EXPECT_NE(dir.read("r.log.1").find("before"), std::string::npos);
}
