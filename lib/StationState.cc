#include "StationState.h"

namespace Ravna
{
    std::string stateToString(int code)
    {
        switch (code)
        {
        case mOFF: return "mOFF";
        case mON: return "mON";
        case mPROTECTION: return "mPROTECTION";
        case mINIT: return "mINIT";
        case mTRANSITIVE: return "mTRANSITIVE";
        case mSLEEP: return "mSLEEP";
        case mWARNING: return "mWARNING";
        case mALARM: return "mALARM";
        case mREADY: return "mREADY";
        case mRunning: return "mRunning";
        default: return "Unknown";
        }
    }

    std::ostream& operator<<(std::ostream& os, StationState s) { return os << stateToString(s); }
}
