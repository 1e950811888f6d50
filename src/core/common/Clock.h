#pragma once
// The clock seam: the platform's millisecond counter and local time.

#include <cstdint>

namespace vadrix {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;  // calendar date
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; wraps at 2^32.
    virtual std::uint32_t MsCounter() = 0;
    virtual LocalDateTime Now() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
};

}  // namespace vadrix
