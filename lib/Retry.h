// The bounded retry of a write: a few attempts, a pause after each failure.
#pragma once

#include "Clock.h"
#include "Exceptions.h"

namespace Ravna
{
    // Runs attempt up to attempts times. After each UniSetTypes::Exception, onFailure
    // is handed it and pauseMs pass (none when 0). True once an attempt went
    // through; exceptions of other types go to the caller.
    template <class Attempt, class OnFailure>
    bool retryWrite(int attempts, int pauseMs, Attempt attempt, OnFailure onFailure)
    {
        for (int i = 0; i < attempts; ++i)
        {
            try
            {
                attempt();
                return true;
            }
            catch (const UniSetTypes::Exception& ex)
            {
                onFailure(ex);
                if (pauseMs > 0)
                    UniSetTypes::msleep(pauseMs);
            }
        }
        return false;
    }
}
