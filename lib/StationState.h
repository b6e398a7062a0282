// The one code space of every analog state value of a diesel, a generator, a
// breaker or a whole generator set. 10 (undefined breaker position) has no name.
#pragma once

#include <ostream>
#include <string>

enum StationState
{
    mOFF = 0,
    mON = 1,
    mPROTECTION = 2,
    mINIT = 3,
    mTRANSITIVE = 4,
    mSLEEP = 5,
    mWARNING = 6,
    mALARM = 7,
    mREADY = 8,
    mRunning = 9
};

namespace Ravna
{
    // "Unknown" for every value outside 0 to 9.
    std::string stateToString(int code);
    std::ostream& operator<<(std::ostream& os, StationState s);
}
