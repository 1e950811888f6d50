#pragma once
// A clock the test sets by hand.

#include <cstdint>

#include "common/Clock.h"

namespace vadrix::testing {

class FakeClock : public Clock {
  public:
    std::uint32_t MsCounter() override { return ms; }
    LocalDateTime Now() override { return now; }
    // Sleeping moves the fake time on, so waits finish without real time passing.
    void Sleep(std::uint32_t d) override { Advance(d); }

    // Moves the counter and the local time of day on together.
    void Advance(std::uint32_t d);

    std::uint32_t ms = 0;
    LocalDateTime now{2026, 12, 10, 12, 0, 0, 0};
};

}  // namespace vadrix::testing
