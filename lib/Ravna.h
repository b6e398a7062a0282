// The program-wide log and the small helpers over the configuration that every
// program links in. All of them read UniSetTypes::conf, which start-up creates first.
#pragma once

#include <initializer_list>
#include <libxml/tree.h>
#include <string>
#include <utility>

#include "Calibration.h"
#include "DebugStream.h"
#include "UniSetTypes.h"

namespace Ravna
{
    // No levels and no file until the program's start-up gives it both.
    extern DebugStream dlog;

    // A class log stream's initLog: the first call copies from into classLog,
    // later calls change nothing.
    void initClassLog(DebugStream& classLog, bool& initialised, const DebugStream& from);

    // Refuses the first time setting below 1: one line on log and an exception, both
    // naming the object and the setting ("QF1: init 'OnTime' time FAILED! Must be >0").
    void requirePositiveTimes(const std::string& object, std::initializer_list<std::pair<const char*, int>> times,
                              const DebugStream& log);

    xmlNode* getSensorsSection();
    // Turns every backslash-n pair into a newline, in place.
    void unescapeNewlines(std::string& text);
    // The first child of root whose attribute attr equals value; null when none.
    xmlNode* findNode(xmlNode* root, const std::string& value, const std::string& attr);
    // Milliseconds from <HeartBeatTime time_msec>; 0 disables the heartbeat.
    int getHeartBeatTime();
    xmlNode* getCalibrationsNode();
    // The shared-memory object named by --smemory-id (default SharedMemory1).
    UniSetTypes::ObjectId getSharedMemoryID();
    // Today's directory under <GUI SaveDir> (or /tmp), created when missing.
    std::string getSaveDir();
    // A new diagram that the caller owns.
    Calibration* buildCalibrationDiagram(const std::string& name);
}
