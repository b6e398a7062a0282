#include "Diesel.h"

#include "Configuration.h"
#include "Ravna.h"
#include "SEESMessages.h"
#include "StationState.h"

using namespace UniSetTypes;

DebugStream Diesel::dlog(Debug::NONE);

void Diesel::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

Diesel::Diesel(int num, const std::string& name, ObjectsManager* owner, xmlNode* confNode)
    : Diesel_SK(conf->getObjectID(name), confNode), owner(owner), num(num), watch(confNode)
{
    if (owner)
        owner->addObject(this);
}

Diesel::Diesel() : Diesel_SK(), watch(nullptr) {}

Diesel::~Diesel() = default;

bool Diesel::isOn() { return watch.stateIs(in_state_as, mON, 500); }

bool Diesel::isProtection() { return watch.stateIs(in_state_as, mPROTECTION, 500); }

void Diesel::askSensors(UniversalIO::UIOCommand cmd) { watch.a2d.askSensors(&ui, cmd); }

void Diesel::sensorInfo(const SensorMessage* sm)
{
    if (sm->id != state_as)
        return;
    watch.mapState(*this, sm, dlog);

    // Every message is reported, changed or not, also when the mapper failed.
    SEESMessage report(SEESMessage::DieselState, static_cast<int32_t>(sm->value));
    report.ses = num;
    report.group = 0;
    if (owner)
        owner->push(report.transport());
}
