// Narrowing of plant readings. Sensors hold 64-bit values while the figures the
// station and its groups compute are int; a reading that does not fit is pinned to
// the nearest end of the range, so no figure changes sign and no sum overflows.
#pragma once

#include <algorithm>
#include <limits>
#include <type_traits>

namespace Ravna
{
    template <class To, class From>
    constexpr To saturate(From value)
    {
        static_assert(std::is_integral_v<To> && std::is_integral_v<From> && std::is_signed_v<To> &&
                          std::is_signed_v<From> && sizeof(From) >= sizeof(To),
                      "narrows a wider signed integer");
        return static_cast<To>(std::clamp<From>(value, std::numeric_limits<To>::min(), std::numeric_limits<To>::max()));
    }
}
