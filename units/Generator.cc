#include "Generator.h"

#include "Configuration.h"
#include "Ravna.h"
#include "StationState.h"

using namespace UniSetTypes;

DebugStream Generator::dlog(Debug::NONE);

void Generator::initLog(const DebugStream& log)
{
    static bool initialised = false;
    Ravna::initClassLog(dlog, initialised, log);
}

Generator::Generator(int, const std::string& name, ObjectsManager* owner, xmlNode* confNode)
    : Generator_SK(conf->getObjectID(name), confNode), owner(owner), watch(confNode)
{
    if (owner)
        owner->addObject(this);
}

Generator::Generator() : Generator_SK(), watch(nullptr) {}

Generator::~Generator() = default;

bool Generator::isOn() { return watch.stateIs(in_state_as, mON, 300); }

bool Generator::isProtection() { return watch.stateIs(in_state_as, mPROTECTION, 300); }

void Generator::askSensors(UniversalIO::UIOCommand cmd) { watch.a2d.askSensors(&ui, cmd); }

void Generator::sensorInfo(const SensorMessage* sm)
{
    if (sm->id == state_as)
        watch.mapState(*this, sm, dlog);
}
