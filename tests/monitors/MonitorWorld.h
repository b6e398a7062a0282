// What the monitors' tests share: a bench of sensors and object nodes, the
// start-up an object gets from the activator, and a capture of a log stream.
#pragma once

#include <string>

#include "DebugStream.h"
#include "MessageType.h"
#include "TestSupport.h"
#include "UniSetObject.h"

namespace monitors_test
{
    // Activated and handed the start-up message as the activator would.
    template <class T>
    void startUp(T& sut)
    {
        sut.activateObject();
        sut.push(UniSetTypes::SystemMessage(UniSetTypes::SystemMessage::StartUp).transport());
        sut.callback();
    }

    inline void set(testing_support::TestWorld& world, const std::string& sensor, long value)
    {
        world.store().setValue(world.id(sensor), value, UniSetTypes::DefaultObjectId);
    }

    inline long get(testing_support::TestWorld& world, const std::string& sensor)
    {
        return world.store().getValue(world.id(sensor));
    }

    // Every value written to the sensor, in order.
    std::vector<long> writesOf(testing_support::TestWorld& world, const std::string& sensor);

    // A log stream into a file at every level, for the scope of a test.
    class LogCapture
    {
    public:
        explicit LogCapture(DebugStream& stream);
        ~LogCapture();
        std::string text() const { return dir.read("log.txt"); }

    private:
        testing_support::TempDir dir;
        DebugStream& stream;
        DebugStream saved;
    };
}
