// What a station needs of the object that supervises it: leave to run and to
// switch its generator breaker, whether it is the last running set, and a queue
// for its reports. The station's modes call these on the station's own thread;
// a report is queued and never waited on.
#pragma once

#include "MessageType.h"

class SEESOwner
{
public:
    virtual ~SEESOwner() = default;

    // Whether station num may start its set now.
    virtual bool canRun(int num) = 0;
    // Leave for station num to close (on) or open its generator breaker; one
    // station holds it at a time, until it gives it back with releaseQG.
    virtual bool acceptQG(int num, bool on) = 0;
    virtual void releaseQG(int num) = 0;
    // Whether no other set that feeds the same busbars is on.
    virtual bool isAlone(int num) = 0;

    // Queues a station's report (a SEESMessage) for the owner.
    virtual void pushReport(const UniSetTypes::TransportMessage& msg) = 0;
};
