#include "ProcessSkeleton.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>

#include "Configuration.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "Ravna.h"

using namespace UniSetTypes;
using UniversalIO::UIOCommand;

namespace ravna::sk
{
    int scanInt(const std::string& text)
    {
        // strtol with base 0 is what "%i" is defined by.
        const char* s = text.c_str();
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(s, &end, 0);
        if (end == s)
            return 0;
        if (v > INT_MAX)
            return INT_MAX;
        if (v < INT_MIN)
            return INT_MIN;
        return static_cast<int>(v);
    }
}

namespace
{
    const std::string& firstNonEmpty(const std::string& a, const std::string& b, const std::string& c)
    {
        return !a.empty() ? a : (!b.empty() ? b : c);
    }

    IOController_i::SensorInfo sensorAt(ObjectId id, ObjectId node)
    {
        IOController_i::SensorInfo si;
        si.id = id;
        si.node = node;
        return si;
    }
}

namespace ravna
{
    template <class Base>
    ProcessSkeleton<Base>::ProcessSkeleton(ObjectId id, xmlNode* cnode, SkeletonTraits traits)
        : Base(id), info(std::move(traits))
    {
        sleepMsec = info.sleepMsec;
        confNode = cnode;
    }

    template <class Base>
    ProcessSkeleton<Base>::ProcessSkeleton(SkeletonTraits traits) : Base(), info(std::move(traits))
    {
        unideb.crit() << info.className << ": init failed!!!!!!!!!!!!!!!" << std::endl;
        throw Exception(this->getName() + ": init failed!!!");
    }

    template <class Base>
    ProcessSkeleton<Base>::~ProcessSkeleton() = default;

    template <class Base>
    void ProcessSkeleton<Base>::init(sk::Layout items)
    {
        layout = std::move(items);
        messageStates.assign(layout.messages.size(), false);
        prevMessageStates.assign(layout.messages.size(), false);

        const Configuration& c = *conf;
        readItems();
        askPause = c.getPIntProp(confNode, "askPause", 2000);

        if (c.hasArg("--print-id-list"))
        {
            for (const sk::Item& it : layout.items)
                if (!it.isFixed() && *it.id != DefaultObjectId)
                    std::cout << "id:" << *it.id << std::endl;
            for (const sk::Message& m : layout.messages)
                if (*m.id != DefaultObjectId)
                    std::cout << "id:" << *m.id << std::endl;
        }

        if (this->getId() == DefaultObjectId)
            throw SystemError("(" + info.className + "::init): Unknown ObjectID!");

        checkItems();
        readHeartbeat();

        for (const sk::Item& it : layout.items)
        {
            if (!it.isFixed())
            {
                const std::string attr = c.getProp(confNode, std::string(it.name) + "_default");
                it.value.set(c.getArgPInt("--" + std::string(it.name) + "-default", attr, static_cast<int>(it.defaultValue)));
            }
            // Equal from the start, so that nothing counts as changed before the first forced write.
            it.prev.set(it.value.get());
        }

        sleepMsec = c.getArgPInt("--sleep-msec", std::to_string(info.sleepMsec), info.sleepMsec);
        resetMsgTime = c.getPIntProp(confNode, "resetMsgTime", 2000);
        resetMsgTimer.setTiming(resetMsgTime);

        smReadyTimeout = c.getArgInt("--sm-ready-timeout", "");
        if (smReadyTimeout == 0)
            smReadyTimeout = 60000;
        else if (smReadyTimeout < 0)
            smReadyTimeout = -1;

        smTestID = c.getSensorID(
            firstNonEmpty(c.getArgParam("--sm-test-id", ""), c.getProp(confNode, "smTestID"), info.smTestName));
        activateTimeout = c.getArgPInt("--activate-timeout", 20000);
        startupTimer.setTiming(c.getArgPInt("--startup-timeout", 10000));
    }

    template <class Base>
    void ProcessSkeleton<Base>::readItems()
    {
        const Configuration& c = *conf;
        for (const sk::Item& it : layout.items)
        {
            if (it.isFixed())
            {
                *it.id = it.fixedId;
                *it.node = c.getLocalNode();
                continue;
            }
            *it.id = c.getSensorID(c.getProp(confNode, it.name));
            *it.node = c.getNodeID(c.getProp(confNode, std::string("node_") + it.name));
        }
        for (const sk::Message& m : layout.messages)
        {
            *m.id = c.getSensorID(c.getProp(confNode, m.name));
            *m.node = c.getNodeID(c.getProp(confNode, std::string("node_") + m.name));
        }
        for (const sk::Setting& s : layout.settings)
        {
            const std::string text = firstNonEmpty(c.getArgParam("--" + std::string(s.name), ""),
                                                   c.getProp(confNode, s.name), s.defaultText);
            const int v = sk::scanInt(text);
            if (s.flag)
                *s.flag = v != 0;
            else
                *s.number = v;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::checkItems()
    {
        const Configuration& c = *conf;
        const std::string& myname = this->getName();
        for (const sk::Item& it : layout.items)
        {
            if (it.isFixed())
                continue;
            const std::string name = it.name;
            const std::string attr = c.getProp(confNode, name);
            if (it.mandatory)
            {
                if (*it.id == DefaultObjectId)
                    throw Exception(myname + ": Not found ID for (" + name + ") " + attr);
                const UniversalIO::IOTypes t = c.getIOType(*it.id);
                if (t != it.type)
                    throw Exception(myname + "(init): Invalid 'iotype' for '" + name + "' set '" +
                                    iotypeToText(it.type) + "' but " + attr + "='" + iotypeToText(t) + "'");
            }
            if (*it.node == DefaultObjectId)
            {
                const std::string nodeAttr = c.getProp(confNode, "node_" + name);
                if (it.mandatory && !nodeAttr.empty())
                    throw Exception(myname + ": Not found NodeID for (node='node_" + name + "') " + nodeAttr);
                *it.node = c.getLocalNode();
            }
        }
        for (const sk::Message& m : layout.messages)
        {
            const std::string nodeAttr = c.getProp(confNode, std::string("node_") + m.name);
            if (!nodeAttr.empty() && (*m.id == DefaultObjectId || *m.node == DefaultObjectId))
                throw Exception(myname + ": Not found Message::NodeID for (node='node_" + m.name + "') " + nodeAttr);
            if (*m.node == DefaultObjectId)
                *m.node = c.getLocalNode();
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::readHeartbeat()
    {
        const Configuration& c = *conf;
        const std::string name = c.getArgParam("--heartbeat-id", c.getProp(confNode, "heartbeat_id"));
        if (name.empty())
            return;
        heartbeatId = c.getSensorID(name);
        if (heartbeatId == DefaultObjectId)
            throw SystemError(this->getName() + ": не найден идентификатор для датчика 'HeartBeat' " + name);
        const int period = c.getArgPInt("--heartbeat-time", c.getProp(confNode, "heartbeatTime"), c.getHeartBeatTime());
        heartbeatTimer.setTiming(period > 0 ? period : TimeoutInfinity);
        heartbeatMax = c.getArgPInt("--heartbeat-max", c.getProp(confNode, "heartbeat_max"), 10);
    }

    // --- the loop

    template <class Base>
    void ProcessSkeleton<Base>::callback()
    {
        if (!active)
            return;
        const std::string& myname = this->getName();
        try
        {
            checkTimers(this);

            if (resetMsgTime > 0)
            {
                const bool expired = resetMsgTimer.checkTime();
                if (expired != resetMsgFlag)
                {
                    resetMsgFlag = expired;
                    if (expired)
                        resetMsg();
                }
            }

            for (int i = 0; i < info.messagesPerPass; ++i)
            {
                VoidMessage vm;
                if (!this->receiveMessage(vm))
                    break;
                processingMessage(&vm);
                setdata(false);
            }

            step();

            if (heartbeatId != DefaultObjectId && heartbeatTimer.checkTime())
            {
                this->ui.saveValue(heartbeatId, heartbeatMax, UniversalIO::AnalogInput, this->getId());
                heartbeatTimer.reset();
            }

            setdata(false);
            savePreviousValues();
        }
        catch (const Exception& ex)
        {
            unideb.crit() << myname << "(execute): " << ex << std::endl;
        }
        catch (const CORBA::SystemException& ex)
        {
            unideb.crit() << myname << "(execute): СORBA::SystemException: " << ex.NP_minorString() << std::endl;
        }
        catch (...)
        {
            unideb.crit() << myname << "(execute): catch ..." << std::endl;
        }

        if (active)
            this->pauseFor(sleepMsec);
    }

    template <class Base>
    void ProcessSkeleton<Base>::processingMessage(VoidMessage* msg)
    {
        try
        {
            switch (msg->type)
            {
            case Message::SysCommand:
            {
                const SystemMessage sm(msg);
                sysCommand(&sm);
                break;
            }
            case Message::SensorInfo:
            {
                const SensorMessage sm(msg);
                preSensorInfo(&sm);
                break;
            }
            case Message::Timer:
            {
                const TimerMessage tm(msg);
                preTimerInfo(&tm);
                break;
            }
            default:
                break;
            }
        }
        catch (const Exception& ex)
        {
            std::cout << this->getName() << "(processingMessage): " << ex << std::endl;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::sysCommand(const SystemMessage* sm)
    {
        const std::string& myname = this->getName();
        switch (sm->command)
        {
        case SystemMessage::StartUp:
            startUp();
            break;

        case SystemMessage::FoldUp:
        case SystemMessage::Finish:
            preAskSensors(UniversalIO::UIODontNotify);
            askSensors(UniversalIO::UIODontNotify);
            break;

        case SystemMessage::WatchDog:
            unideb.any() << myname << "(sysCommand): WatchDog" << std::endl;
            if (active && startupTimer.checkTime())
                startUp();
            else
                unideb.warn() << myname << "(sysCommand): игнорируем WatchDog, потому-что только-что стартанули"
                              << std::endl;
            break;

        case SystemMessage::LogRotate:
            logRotate();
            break;

        default:
            break;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::logRotate()
    {
        const std::string& myname = this->getName();
        unideb.any() << myname << "(sysCommand): logRotate" << std::endl;
        const std::string& file = unideb.getLogFile();
        if (!file.empty())
        {
            // Every stream writing to the file shares it, so this reopens it for the
            // program's own logs too.
            unideb.reopenLogFile();
            unideb.any() << myname << "(sysCommand): ***************** UNIDEB LOG ROTATE *****************"
                         << std::endl;
        }
        // The program log (and the class logs copied from it) may write elsewhere.
        if (Ravna::dlog.getLogFile() != file)
            Ravna::dlog.reopenLogFile();
    }

    template <class Base>
    void ProcessSkeleton<Base>::startUp()
    {
        waitSM(smReadyTimeout);
        if (this->terminating())
            return;
        startupTimer.reset();
        getdata();
        setdata(true);
        preAskSensors(UniversalIO::UIONotify);
        if (this->terminating())
            return;
        askSensors(UniversalIO::UIONotify);
        active = true;
    }

    template <class Base>
    void ProcessSkeleton<Base>::waitSM(int msec, ObjectId testID)
    {
        if (testID == DefaultObjectId)
            testID = smTestID;
        if (testID == DefaultObjectId)
            return;
        unideb.info() << this->getName() << "(waitSM): waiting SM ready " << msec << " msec"
                      << " testID=" << testID << std::endl;
        if (this->ui.waitReady(testID, msec, 5000, conf->getLocalNode()))
            return;
        // Terminated while waiting: nothing failed, the program is stopping anyway.
        if (this->terminating())
            return;
        giveUpOnSharedMemory(msec);
    }

    template <class Base>
    void ProcessSkeleton<Base>::giveUpOnSharedMemory(int msec)
    {
        unideb.crit() << this->getName()
                      << "(waitSM): Не дождались готовности(exist) SharedMemory к работе в течение " << msec
                      << " мсек" << std::endl;
        this->disactivate();
        // The program cannot work without shared memory; the reason is in the line above.
        std::abort();
    }

    template <class Base>
    void ProcessSkeleton<Base>::preAskSensors(UIOCommand cmd)
    {
        const std::string& myname = this->getName();
        PassiveTimer waitActivation(activateTimeout);
        while (!activated && !waitActivation.checkTime())
        {
            if (this->terminating())
                return;
            std::cout << myname << "(preAskSensors): wait activate..." << std::endl;
            this->pauseFor(300);
        }
        if (!activated)
            unideb.crit() << myname << "(preAskSensors): ************* don`t activated?! ************" << std::endl;

        retryUntilDone([&] {
            try
            {
                for (const sk::Item& it : layout.items)
                    if (it.isInput() && *it.id != DefaultObjectId)
                        this->ui.askRemoteSensor(*it.id, cmd, *it.node, this->getId());
                return true;
            }
            catch (const Exception& ex)
            {
                unideb.crit() << myname << "(preAskSensors): " << ex << std::endl;
            }
            catch (...)
            {
                unideb.crit() << myname << "(preAskSensors): catch(...)" << std::endl;
            }
            return false;
        });
    }

    template <class Base>
    bool ProcessSkeleton<Base>::retryUntilDone(const std::function<bool()>& attempt)
    {
        while (!attempt())
        {
            if (!this->pauseFor(askPause))
                return false;
        }
        return true;
    }

    template <class Base>
    bool ProcessSkeleton<Base>::askUntilDone(std::list<ObjectId> ids, const std::function<void(ObjectId)>& ask,
                                             const std::function<void(const Exception&)>& onFailure)
    {
        return retryUntilDone([&] {
            for (auto it = ids.begin(); it != ids.end();)
            {
                try
                {
                    ask(*it);
                    it = ids.erase(it);
                }
                catch (const Exception& ex)
                {
                    onFailure(ex);
                    ++it;
                }
            }
            return ids.empty();
        });
    }

    template <class Base>
    bool ProcessSkeleton<Base>::activateObject()
    {
        activated = false;
        Base::activateObject();
        activated = true;
        return true;
    }

    template <class Base>
    void ProcessSkeleton<Base>::sigterm(int signo)
    {
        Base::sigterm(signo);
        active = false;
    }

    template <class Base>
    void ProcessSkeleton<Base>::askSensorOnNode(ObjectId sid, UIOCommand cmd, ObjectId node)
    {
        this->ui.askRemoteSensor(sid, cmd, node, this->getId());
    }

    template <class Base>
    void ProcessSkeleton<Base>::askInputOnNode(ObjectId sid, UIOCommand cmd, ObjectId node)
    {
        this->ui.askRemoteSensor(sid, cmd, node, this->getId());
    }

    // --- sensor access and outputs

    template <class Base>
    long ProcessSkeleton<Base>::read(const sk::Item& item)
    {
        if (sk::isDigitalType(item.type))
            return this->ui.getState(*item.id, *item.node) ? 1 : 0;
        return this->ui.getValue(*item.id, *item.node);
    }

    template <class Base>
    void ProcessSkeleton<Base>::write(const sk::Item& item, long value)
    {
        if (*item.id == DefaultObjectId)
            return;
        try
        {
            switch (item.type)
            {
            case UniversalIO::DigitalInput:
                this->ui.saveState(sensorAt(*item.id, *item.node), value != 0, UniversalIO::DigitalInput,
                                   this->getId());
                break;
            case UniversalIO::DigitalOutput:
                this->ui.setState(*item.id, value != 0, *item.node);
                break;
            case UniversalIO::AnalogInput:
                this->ui.saveValue(sensorAt(*item.id, *item.node), value, UniversalIO::AnalogInput, this->getId());
                break;
            case UniversalIO::AnalogOutput:
                this->ui.setValue(*item.id, value, *item.node);
                break;
            default:
                break;
            }
        }
        catch (const Exception& ex)
        {
            unideb.crit() << this->getName() << "(setdata): " << ex << std::endl;
            throw;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::getdata()
    {
        try
        {
            for (const sk::Item& it : layout.items)
                if (it.isInput() && *it.id != DefaultObjectId)
                    it.value.set(read(it));
        }
        catch (const Exception& ex)
        {
            unideb.crit() << this->getName() << "(getdata): " << ex << std::endl;
            throw;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::setdata(bool force)
    {
        for (const sk::Item& it : layout.items)
        {
            const long v = it.value.get();
            if (it.isInput())
            {
                it.prev.set(v);
                continue;
            }
            if (!force && v == it.prev.get())
                continue;
            write(it, v);
            it.prev.set(v);
        }
    }

    template <class Base>
    long ProcessSkeleton<Base>::getState(ObjectId sid)
    {
        if (sid != DefaultObjectId)
        {
            for (const sk::Item& it : layout.items)
            {
                if (*it.id != sid)
                    continue;
                try
                {
                    it.value.set(read(it));
                    return it.value.get();
                }
                catch (const Exception& ex)
                {
                    unideb.crit() << this->getName() << "(getState): " << ex << std::endl;
                    throw;
                }
            }
        }
        unideb.crit() << this->getName() << "(getState): Обращение к неизвестному ДИСКРЕТНОМУ датчику sid=" << sid
                      << std::endl;
        return 0;
    }

    template <class Base>
    void ProcessSkeleton<Base>::setOutput(ObjectId sid, long value, const char* method)
    {
        for (const sk::Item& it : layout.items)
        {
            if (it.isInput() || *it.id != sid)
                continue;
            unideb[Debug::LEVEL2] << "(" << method << "): out_" << it.name << " = " << value << std::endl;
            it.value.set(value);
            // The previous value stays: the next setdata(false) writes the output once more.
            write(it, it.value.get());
            return;
        }
    }

    template <class Base>
    void ProcessSkeleton<Base>::resetOutputs(bool set)
    {
        if (!set)
            return;
        for (const sk::Item& it : layout.items)
            if (!it.isInput())
                write(it, 0);
    }

    template <class Base>
    void ProcessSkeleton<Base>::savePreviousValues()
    {
        for (const sk::Item& it : layout.items)
            it.prev.set(it.value.get());
        prevMessageStates = messageStates;
    }

    template <class Base>
    void ProcessSkeleton<Base>::preSensorInfo(const SensorMessage* sm)
    {
        for (const sk::Item& it : layout.items)
        {
            if (it.isInput() && *it.id != DefaultObjectId && *it.id == sm->id)
                it.value.set(sk::isDigitalType(it.type) ? (sm->value != 0) : sm->value);
        }
        sensorInfo(sm);
    }

    template <class Base>
    void ProcessSkeleton<Base>::emitChangedInputs()
    {
        for (const sk::Item& it : layout.items)
        {
            if (!it.isInput() || *it.id == DefaultObjectId || it.value.get() == it.prev.get())
                continue;
            const SensorMessage sm(*it.id, it.value.get(), it.type, this->getId());
            sensorInfo(&sm);
        }
    }

    // --- alarm messages

    template <class Base>
    bool ProcessSkeleton<Base>::alarm(ObjectId code, bool state)
    {
        const std::string& myname = this->getName();
        if (code == DefaultObjectId)
        {
            unideb.crit() << myname << "(alarm): попытка послать сообщение с DefaultObjectId" << std::endl;
            return false;
        }
        unideb.level1() << myname << "(alarm): " << (state ? "SEND " : "RESET ") << std::endl;
        for (size_t i = 0; i < layout.messages.size(); ++i)
        {
            const sk::Message& m = layout.messages[i];
            if (*m.id != code)
                continue;
            unideb(Debug::LEVEL1) << m.name << std::endl;
            messageStates[i] = state;
            try
            {
                this->ui.saveState(sensorAt(*m.id, *m.node), state, UniversalIO::DigitalInput, this->getId());
                return true;
            }
            catch (const Exception& ex)
            {
                unideb.crit() << myname << "(alarm): " << ex << std::endl;
                return false;
            }
        }
        unideb(Debug::LEVEL1) << " not found MessgeOID?!!" << std::endl;
        return false;
    }

    template <class Base>
    void ProcessSkeleton<Base>::setMsg(ObjectId code, bool state)
    {
        if (state)
            alarm(code, true);
        resetMsgTimer.reset();
    }

    template <class Base>
    void ProcessSkeleton<Base>::resetMsg()
    {
        for (size_t i = 0; i < layout.messages.size(); ++i)
        {
            const sk::Message& m = layout.messages[i];
            messageStates[i] = false;
            if (*m.id == DefaultObjectId)
                continue;
            try
            {
                this->ui.saveState(sensorAt(*m.id, *m.node), false, UniversalIO::DigitalInput, this->getId());
            }
            catch (const Exception& ex)
            {
                unideb.level1() << this->getName() << ex << std::endl;
            }
        }
        messagesCleared();
    }

    template class ProcessSkeleton<UniSetObject>;
    template class ProcessSkeleton<ObjectsManager>;
}
