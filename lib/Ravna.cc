#include "Ravna.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "Clock.h"
#include "Configuration.h"
#include "Exceptions.h"
#include "UniXML.h"

using namespace UniSetTypes;

namespace Ravna
{
    DebugStream dlog(Debug::NONE);

    namespace
    {
        // Filled on first successful use; a failed lookup leaves them unset.
        int heartBeatTime = -1;
        ObjectId sharedMemoryId = DefaultObjectId;

        [[noreturn]] void fail(const std::string& text)
        {
            dlog.crit() << text << std::endl;
            throw SystemError(text);
        }

        std::string twoDigits(int n)
        {
            std::string text = std::to_string(n);
            if (n <= 9)
                text.insert(text.begin(), '0');
            return text;
        }
    }

    void initClassLog(DebugStream& classLog, bool& initialised, const DebugStream& from)
    {
        if (initialised)
            return;
        initialised = true;
        classLog = from;
    }

    void requirePositiveTimes(const std::string& object, std::initializer_list<std::pair<const char*, int>> times,
                              const DebugStream& log)
    {
        for (const auto& [name, value] : times)
        {
            if (value >= 1)
                continue;
            log.info() << object << ": init '" << name << "' time FAILED! Must be >0)" << std::endl;
            throw UniSetTypes::Exception(object + ": init '" + name + "' time FAILED! Must be >0");
        }
    }

    xmlNode* getSensorsSection() { return conf->getXMLSensorsSection(); }

    void unescapeNewlines(std::string& text)
    {
        // A replacement never makes a new pair, so one left-to-right pass is enough.
        for (size_t pos = text.find("\\n"); pos != std::string::npos; pos = text.find("\\n", pos + 1))
            text.replace(pos, 2, 1, '\n');
    }

    xmlNode* findNode(xmlNode* root, const std::string& value, const std::string& attr)
    {
        if (!root)
            return nullptr;
        UniXML_iterator it(root);
        if (!it.goChildren())
            return nullptr;
        for (; it.valid(); it.goNext())
        {
            if (it.getProp(attr) == value)
                return it.getCurrent();
        }
        return nullptr;
    }

    int getHeartBeatTime()
    {
        if (heartBeatTime != -1)
            return heartBeatTime;
        xmlNode* node = conf->getNode("HeartBeatTime");
        if (!node)
        {
            const std::string text = "Not find conf-node for HeartBeatTime";
            std::cerr << text << std::endl;
            throw SystemError(text);
        }
        heartBeatTime = UniXML::getIntProp(node, "time_msec");
        if (heartBeatTime <= 0)
        {
            heartBeatTime = 0;
            dlog.warn() << "(getHeartBeatTime): механизм 'HEARTBEAT' ОТКЛЮЧЁН!" << std::endl;
        }
        dlog.info() << "(getHeartBeatTime): heartbeat time = " << heartBeatTime << std::endl;
        return heartBeatTime;
    }

    xmlNode* getCalibrationsNode()
    {
        // Not kept: a node kept from one configuration would dangle once it is replaced.
        return conf->getNode("Calibrations");
    }

    ObjectId getSharedMemoryID()
    {
        if (sharedMemoryId != DefaultObjectId)
            return sharedMemoryId;
        const std::string name = conf->getArgParam("--smemory-id", "SharedMemory1");
        const ObjectId id = conf->getControllerID(name);
        if (id == DefaultObjectId)
            fail(": Unkown ID for '" + name + "'\n");
        sharedMemoryId = id;
        std::cout << "(Ravna): shm=" << name << " id=" << id << std::endl;
        return sharedMemoryId;
    }

    std::string getSaveDir()
    {
        std::string base = "/tmp";
        if (xmlNode* gui = conf->getNode("GUI"))
            base = UniXML::getProp(gui, "SaveDir");

        // The runtime clock, so that a test can pick the day.
        const timeval tv = uniset::clock().wallTime();
        const time_t secs = tv.tv_sec;
        std::tm tm{};
        localtime_r(&secs, &tm);
        const std::string dir = base + "/" + twoDigits(tm.tm_mday) + "." + twoDigits(tm.tm_mon + 1) + "." +
                                std::to_string(tm.tm_year + 1900);

        if (access(dir.c_str(), F_OK) != 0 && mkdir(dir.c_str(), 0777) != 0)
            fail("(getSaveDir): Невозможно создать каталог '" + dir + "'");
        return dir;
    }

    Calibration* buildCalibrationDiagram(const std::string& name)
    {
        xmlNode* root = getCalibrationsNode();
        if (!root)
            fail("(buildCalibrationDiagram): НЕ НАЙДЕН корневой узел для калибровочных диаграмм");
        xmlNode* node = findNode(root, name, "name");
        if (!node)
            fail("(buildCalibrationDiagram): НЕ НАЙДЕНА калибровочная диаграмма '" + name + "'");
        return new Calibration(node);
    }
}
