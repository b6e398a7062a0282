#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "APSLamp.h"

namespace
{
    // One event on the lamp and the state it must show after it.
    struct Event
    {
        enum Kind
        {
            alarm,   // set(true)
            clear,   // set(false)
            ack,     // acknowledge(true)
            noAck    // acknowledge(false)
        } kind;
        int expected;
    };

    struct LampCase
    {
        const char* name;
        std::vector<Event> events;
    };

    constexpr int off = APSLamp::lampOff, steady = APSLamp::lampOn, blink = APSLamp::lampBlink;

    class LampTransitions : public ::testing::TestWithParam<LampCase>
    {
    };
}

TEST_P(LampTransitions, ShowsTheStateAfterEveryEvent)
{
    APSLamp sut;
    for (size_t i = 0; i < GetParam().events.size(); ++i)
    {
        const Event& e = GetParam().events[i];
        switch (e.kind)
        {
        case Event::alarm:
            EXPECT_EQ(sut.set(true), e.expected) << "event " << i;
            break;
        case Event::clear:
            EXPECT_EQ(sut.set(false), e.expected) << "event " << i;
            break;
        case Event::ack:
            sut.acknowledge(true);
            break;
        case Event::noAck:
            sut.acknowledge(false);
            break;
        }
        EXPECT_EQ(sut.state(), e.expected) << "event " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LampTransitions,
    ::testing::Values(
        LampCase{"StartsOff", {{Event::clear, off}, {Event::ack, off}}},
        LampCase{"AlarmBlinksThenAckMakesItSteady", {{Event::alarm, blink}, {Event::ack, steady}}},
        LampCase{"AlarmGoneBeforeAckKeepsBlinkingThenAckTurnsItOff",
                 {{Event::alarm, blink}, {Event::clear, blink}, {Event::ack, off}}},
        LampCase{"SteadyLampGoesOffWithTheAlarm", {{Event::alarm, blink}, {Event::ack, steady}, {Event::clear, off}}},
        LampCase{"AckFalseChangesNothing", {{Event::alarm, blink}, {Event::noAck, blink}}},
        LampCase{"AckWhileNotBlinkingChangesNothing",
                 {{Event::ack, off}, {Event::alarm, blink}, {Event::ack, steady}, {Event::ack, steady}}},
        LampCase{"RepeatedAlarmAfterAckDoesNotBlinkAgain",
                 {{Event::alarm, blink}, {Event::ack, steady}, {Event::alarm, steady}, {Event::alarm, steady}}},
        LampCase{"OnlyANewRisingEdgeBlinksAgain",
                 {{Event::alarm, blink}, {Event::ack, steady}, {Event::clear, off}, {Event::alarm, blink}}},
        LampCase{"AckHeldOnShowsANewAlarmBlinkingUntilTheNextAck",
                 {{Event::ack, off}, {Event::alarm, blink}, {Event::ack, steady}, {Event::clear, off},
                  {Event::ack, off}}}),
    [](const auto& info) { return std::string(info.param.name); });
