#include "support/FakeClock.h"

namespace vadrix::testing {

void FakeClock::Advance(std::uint32_t d) {
    ms += d;
    // Only the time of day moves; tests that cross midnight set the date themselves.
    long long dayMs = ((now.hour * 60LL + now.minute) * 60 + now.second) * 1000 + now.millisecond;
    dayMs = (dayMs + d) % 86400000LL;
    now.millisecond = static_cast<int>(dayMs % 1000);
    now.second = static_cast<int>(dayMs / 1000 % 60);
    now.minute = static_cast<int>(dayMs / 60000 % 60);
    now.hour = static_cast<int>(dayMs / 3600000);
}

}  // namespace vadrix::testing
