#include "ProcessSkeleton.h"

#include <cstdlib>
#include <iostream>

#include "Configuration.h"
#include "DebugStream.h"
#include "Exceptions.h"
#include "Ravna.h"

using namespace UniSetTypes;
using UniversalIO::UIOCommand;

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

    // --- construction and settings

    template <class Base>
    void ProcessSkeleton<Base>::init(sk::Layout items)
    {
        layout = std::move(items);
        messageStates.assign(layout.messages.size(), false);
        prevMessageStates.assign(layout.messages.size(), false);

        const Configuration& c = *conf;
        sk::readIds(layout, c, confNode);
        askPause = c.getPIntProp(confNode, "askPause", 2000);

        if (c.hasArg("--print-id-list"))
            sk::printIds(layout, std::cout);

        if (this->getId() == DefaultObjectId)
            throw SystemError("(" + info.className + "::init): Unknown ObjectID!");

        sk::checkIds(layout, c, confNode, this->getName());
        readHeartbeat();
        sk::applyDefaults(layout, c, confNode);

        sleepMsec = c.getArgPInt("--sleep-msec", std::to_string(info.sleepMsec), info.sleepMsec);
        resetMsgTime = c.getPIntProp(confNode, "resetMsgTime", 2000);
        resetMsgTimer.setTiming(resetMsgTime);

        smReadyTimeout = c.getArgInt("--sm-ready-timeout", "");
        if (smReadyTimeout == 0)
            smReadyTimeout = 60000;
        else if (smReadyTimeout < 0)
            smReadyTimeout = -1;

        smTestID = c.getSensorID(
            sk::firstNonEmpty(c.getArgParam("--sm-test-id", ""), c.getProp(confNode, "smTestID"), info.smTestName));
        activateTimeout = c.getArgPInt("--activate-timeout", 20000);
        startupTimer.setTiming(c.getArgPInt("--startup-timeout", 10000));
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

            heartbeat();

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
    void ProcessSkeleton<Base>::heartbeat()
    {
        if (heartbeatId != DefaultObjectId && heartbeatTimer.checkTime())
        {
            this->ui.saveValue(heartbeatId, heartbeatMax, UniversalIO::AnalogInput, this->getId());
            heartbeatTimer.reset();
        }
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

    // --- the start-up against shared memory

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

    // --- the mirror and the alarm messages (SkeletonMirror, SkeletonAlarms)

    template <class Base>
    void ProcessSkeleton<Base>::getdata()
    {
        sk::readInputs(self(), layout);
    }

    template <class Base>
    void ProcessSkeleton<Base>::setdata(bool force)
    {
        sk::writeOutputs(self(), layout, force);
    }

    template <class Base>
    long ProcessSkeleton<Base>::getState(ObjectId sid)
    {
        return sk::readItem(self(), layout, sid);
    }

    template <class Base>
    void ProcessSkeleton<Base>::setOutput(ObjectId sid, long value, const char* method)
    {
        sk::writeOutput(self(), layout, sid, value, method);
    }

    template <class Base>
    void ProcessSkeleton<Base>::resetOutputs(bool set)
    {
        if (set)
            sk::writeOutputsOff(self(), layout);
    }

    template <class Base>
    void ProcessSkeleton<Base>::savePreviousValues()
    {
        sk::keepPreviousValues(layout);
        prevMessageStates = messageStates;
    }

    template <class Base>
    void ProcessSkeleton<Base>::preSensorInfo(const SensorMessage* sm)
    {
        sk::storeInput(layout, *sm);
        sensorInfo(sm);
    }

    template <class Base>
    void ProcessSkeleton<Base>::emitChangedInputs()
    {
        sk::forEachChangedInput(layout, this->getId(), [this](const SensorMessage& sm) { sensorInfo(&sm); });
    }

    template <class Base>
    bool ProcessSkeleton<Base>::alarm(ObjectId code, bool state)
    {
        return sk::raiseAlarm(self(), layout, messageStates, code, state);
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
        sk::resetAlarms(self(), layout, messageStates);
        messagesCleared();
    }

    template class ProcessSkeleton<UniSetObject>;
    template class ProcessSkeleton<ObjectsManager>;
}
