// The time base: clock offset, its adjustment, time stamps and waits.

#include <gtest/gtest.h>

#include "app/TimeBase.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

TEST(TimeBase, SyncTakesTheOffsetBetweenCounterAndTimeOfDay) {
    testing::TestContext t;
    t.clock.ms = 1000;
    t.clock.now = {2026, 12, 10, 0, 0, 10, 0};
    SyncClock(*t);
    EXPECT_EQ(t->run.ClockOffsetMs, 9000);
    EXPECT_DOUBLE_EQ(TimeOfDay(*t), 10.0 / 86400);
    EXPECT_DOUBLE_EQ(TimeStamp(*t), DateSerial(2026, 12, 10) + 10.0 / 86400);
}

TEST(TimeBase, AdjustmentKeepsSmallDriftTakesAQuarterOfAMediumOneAndFollowsJumps) {
    struct Case {
        int driftMs;
        int expectedOffset;
    };
    const Case cases[] = {{20, 0},   {-20, 0},   {100, 25},     {-100, -25},
                          {200, 50}, {201, 201}, {-5000, -5000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driftMs);
        testing::TestContext t;
        t.clock.ms = 50000;
        t.clock.now = {2026, 12, 10, 0, 0, 50, 0};
        SyncClock(*t);
        ASSERT_EQ(t->run.ClockOffsetMs, 0);
        // The local clock moves by the drift against the counter.
        long long dayMs = 50000 + c.driftMs;
        t.clock.now.second = static_cast<int>(dayMs / 1000);
        t.clock.now.millisecond = static_cast<int>(dayMs % 1000);
        AdjustClock(*t);
        EXPECT_EQ(t->run.ClockOffsetMs, c.expectedOffset);
    }
}

TEST(TimeBase, TimeOfDayWrapsWithTheCounter) {
    testing::TestContext t;
    t.clock.ms = 0xFFFFFF00u;
    t.clock.now = {2026, 12, 10, 23, 59, 59, 900};
    SyncClock(*t);
    const double before = TimeOfDay(*t);
    t.clock.Advance(0x200);  // the counter wraps, the day too
    const double after = TimeOfDay(*t);
    EXPECT_NEAR(before, 1.0 - 100.0 / 86400000, 1e-9);
    EXPECT_NEAR(after, (0x200 - 100.0) / 86400000, 1e-9);
}

TEST(TimeBase, DateSerialCountsFromTheEndOf1899) {
    EXPECT_EQ(DateSerial(1899, 12, 30), 0);
    EXPECT_EQ(DateSerial(1900, 1, 1), 2);
    EXPECT_EQ(DateSerial(2000, 1, 1), 36526);
    int y = 0, m = 0, d = 0;
    DecodeDateSerial(DateSerial(2024, 2, 29) + 0.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
}

TEST(TimeBase, ShortWaitsDoNotPumpLongWaitsPumpAndSleep) {
    testing::TestContext t;
    t.clock.autoStep = 1;
    Wait(*t, 1);
    EXPECT_EQ(t.loop.processed, 0);
    EXPECT_EQ(t.clock.sleeps, 0);

    int ran = 0;
    t.loop.Post([&] { ++ran; });
    const std::uint32_t start = t.clock.ms;
    Wait(*t, 30);
    EXPECT_GE(t.clock.ms - start, 30u);
    EXPECT_EQ(ran, 1);
    EXPECT_GE(t.loop.processed, 2);
    EXPECT_GE(t.clock.sleeps, 1);
}

TEST(TimeBase, InitClockGivesUpOnAClockThatNeverMoves) {
    testing::TestContext t;
    t.clock.autoStep = 1;  // the counter runs, the local time seems to stand still
    t.clock.now = {2026, 12, 10, 1, 0, 0, 0};
    InitClock(*t);
    SUCCEED();
}

}  // namespace
}  // namespace vadrix
