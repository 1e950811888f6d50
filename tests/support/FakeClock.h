#pragma once
// A clock the test sets by hand.

#include <cstdint>

#include "common/Clock.h"

namespace vadrix::testing {

class FakeClock : public Clock {
  public:
    // With autoStep set, every reading moves the counter on, as real time would.
    std::uint32_t MsCounter() override {
        const std::uint32_t now = ms;
        if (autoStep != 0) Advance(autoStep);
        return now;
    }
    LocalDateTime Now() override { return now; }
    // Sleeping moves the fake time on, so waits finish without real time passing.
    void Sleep(std::uint32_t d) override {
        ++sleeps;
        Advance(d);
    }

    // Moves the counter and the local time of day on together.
    void Advance(std::uint32_t d);

    std::uint32_t ms = 0;
    std::uint32_t autoStep = 0;
    int sleeps = 0;
    LocalDateTime now{2026, 12, 10, 12, 0, 0, 0};
};

}  // namespace vadrix::testing
