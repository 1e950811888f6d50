#pragma once
// Protocol time-outs count main-timer ticks of the measured period.

#include <cstdint>

#include "common/RunState.h"

namespace vadrix {

// trunc(997 s / period) + 1; a period not yet measured counts as 60 ms.
inline std::uint32_t SecondsToTicks(const TRunState& run, double seconds) {
    const double period = run.TickPeriodMs > 0 ? run.TickPeriodMs : 60.0;
    const double t = 997.0 * seconds / period;
    return t > 0 ? static_cast<std::uint32_t>(t) + 1 : 1;
}

}  // namespace vadrix
