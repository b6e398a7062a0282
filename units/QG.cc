#include "QG.h"

#include "Configuration.h"
#include "Ravna.h"
#include "StationState.h"

using namespace UniSetTypes;

DebugStream QG::dlog(Debug::NONE);

void QG::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

QG::QG(int, const std::string& name, ObjectsManager* owner, xmlNode* confNode)
    : QG_SK(conf->getObjectID(name), confNode), owner(owner), watch(confNode)
{
    if (owner)
        owner->addObject(this);
}

QG::QG() : QG_SK(), watch(nullptr) {}

QG::~QG() = default;

bool QG::isOn() { return watch.stateIs(in_state_as, mON, 300); }

bool QG::isNotOff() { return watch.stateIs(in_state_as, mON, 300); }

bool QG::isProtection() { return watch.stateIs(in_state_as, mPROTECTION, 300); }

void QG::askSensors(UniversalIO::UIOCommand cmd) { watch.a2d.askSensors(&ui, cmd); }

void QG::sensorInfo(const SensorMessage* sm)
{
    if (sm->id == state_as)
        watch.mapState(*this, sm, dlog);
}
