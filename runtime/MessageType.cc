#include "MessageType.h"

#include "Clock.h"
#include "Directory.h"

namespace UniSetTypes
{
    Message::Message()
    {
        const uniset::Directory* dir = uniset::directory();
        node = dir ? static_cast<int32_t>(dir->localNodeId()) : 0;
        const timeval tv = uniset::clock().wallTime();
        tv_sec = static_cast<int32_t>(tv.tv_sec);
        tv_usec = static_cast<int32_t>(tv.tv_usec);
    }

    SensorMessage::SensorMessage() { type = SensorInfo; }

    SensorMessage::SensorMessage(ObjectId sid, long val, UniversalIO::IOTypes t, ObjectId supplierId)
        : id(sid), value(val), state(val != 0), sensor_type(t), sm_supplier(supplierId)
    {
        type = SensorInfo;
        priority = Medium;
        sensor_node = node;
        sm_tv_sec = tv_sec;
        sm_tv_usec = tv_usec;
        supplier = static_cast<int32_t>(supplierId);
    }

    SystemMessage::SystemMessage() { type = SysCommand; }

    SystemMessage::SystemMessage(Command cmd, Priority prior, ObjectId cons) : command(cmd)
    {
        type = SysCommand;
        priority = prior;
        consumer = static_cast<int32_t>(cons);
    }

    TimerMessage::TimerMessage() { type = Timer; }

    TimerMessage::TimerMessage(TimerId tid, Priority prior, ObjectId cons) : id(tid)
    {
        type = Timer;
        priority = prior;
        consumer = static_cast<int32_t>(cons);
    }
}
