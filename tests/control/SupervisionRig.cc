#include "SupervisionRig.h"

#include <gtest/gtest.h>
#include <sstream>


using namespace UniSetTypes;

namespace control_test
{
    std::string benchWorld(const Edits& edits)
    {
        return testing_support::edited(testing_support::benchConfigurationBody(), edits, "the bench configuration");
    }

    SupervisionRig::SupervisionRig(const Edits& edits, std::vector<std::string> args)
        : testWorld(benchWorld(edits), args)
    {
        sut = std::make_unique<OpenSupervision>("SEESControl", testWorld.cfg().getNode("SEESControl"));
        for (ObjectsManager* m : sut->getManagers())
            if (auto* r = dynamic_cast<RavnaLogic*>(m))
                ravnaLogic = r;
        for (UniSetObject* o : ravnaLogic->getObjects())
            if (auto* q = dynamic_cast<QC*>(o))
                busTieBreaker = q;
    }

    SupervisionRig::~SupervisionRig() { sut.reset(); }

    void SupervisionRig::startUp()
    {
        testing_support::startUp(*sut);
        quiesce();
    }

    void SupervisionRig::quiesce()
    {
        for (int i = 0; i < 20 && sut->countMessages() > 0; ++i)
            sut->callback();
    }

    void SupervisionRig::set(const std::string& sensor, long value)
    {
        testWorld.set(sensor, value);
        quiesce();
    }

    void SupervisionRig::deliver(const TransportMessage& msg)
    {
        sut->push(msg);
        sut->callback();
        quiesce();
    }

    SEES& SupervisionRig::station(int num)
    {
        for (const auto& s : sut->stations())
            if (s->num == num)
                return *s;
        throw Exception("no station " + std::to_string(num));
    }

    void SupervisionRig::stationOn(int num, bool on) { station(num).in_state_as = on ? 1 : 0; }

    Automat& SupervisionRig::automat(const std::string& name)
    {
        Automat* a = sut->findAutomat(name);
        if (!a)
            throw Exception("no breaker " + name);
        return *a;
    }

    void SupervisionRig::position(Automat& a, Position p)
    {
        a.in_State_On_s = p != Position::open;
        a.in_State_Off_s = p != Position::closed;
    }

    std::string SupervisionRig::groups() const
    {
        std::ostringstream os;
        const char* sep = "";
        for (const auto& g : sut->workingGroups())
        {
            os << sep << *g;
            sep = "; ";
        }
        return os.str();
    }

    std::string SupervisionRig::log() const { return controlLog.text() + unionLog.text() + groupLog.text(); }
}
