// The view cursor: stepping over blocks, the display filter, long and short moves.

#include <gtest/gtest.h>

#include <functional>

#include "LogFixture.h"

namespace vadrix::testing {
namespace {

class ViewTest : public LogFixture {
  protected:
    // The display filter on, passing the records for which pass(SeqNo) holds.
    void FilterBy(std::function<bool(std::int32_t)> pass) {
        ctx().general.DisplayFilter.FilterOn = 1;
        log().SetFilterTest(
            [pass](const TFilterRecord&, const TTelegram& t) { return pass(t.SeqNo); });
    }
    std::int32_t At() { return log().ViewRecord().SeqNo; }
    void GoTo(std::int32_t seq) {
        log().ViewToStart();
        while (At() != seq && log().StepForward()) {
        }
        ASSERT_EQ(At(), seq);
    }
};

TEST_F(ViewTest, AnEmptyLogShowsNoRecord) {
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(log().Directory().OldestSeqNo, 0u);
    EXPECT_EQ(log().Directory().NewestSeqNo, 0u);
    EXPECT_EQ(log().RecordCount(), 0u);
    EXPECT_EQ(log().ViewRecord().RecLen, 0);
    EXPECT_FALSE(log().Passes());
    EXPECT_FALSE(log().StepForward());
    EXPECT_FALSE(log().StepBack());
    EXPECT_FALSE(log().NextPassing());
    EXPECT_FALSE(log().PrevPassing());
    EXPECT_EQ(log().Move(10), 0);
    EXPECT_EQ(log().Move(-6000), 0);
    log().LoadViewBlock(99, true);  // outside the ring
    EXPECT_EQ(log().ViewRecord().RecLen, 0);
    EXPECT_TRUE(tc.ui.messages.empty());
}

TEST_F(ViewTest, TheViewSeesTheLiveBlockUpToItsEndBlock) {
    StoreN(2 * kPerBlock + 5);
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(At(), 2 * kPerBlock + 5);
    EXPECT_EQ(log().EndBlock(), 2u);
    StoreN(kPerBlock);  // the log moves on into block 3
    EXPECT_FALSE(log().StepForward());
    EXPECT_EQ(At(), 2 * kPerBlock + 5);
    log().ViewToEnd();
    EXPECT_EQ(log().EndBlock(), 3u);
    EXPECT_EQ(At(), 3 * kPerBlock + 5);
    EXPECT_EQ(WalkForward(), Range(1, 3 * kPerBlock + 5));
}

TEST_F(ViewTest, ShortMovesCountPassingRecordsLongMovesCountAll) {
    log().SetRingBlocks(20);
    ASSERT_TRUE(log().Create());
    constexpr int kLast = 12001;
    StoreN(kLast);
    FilterBy([](std::int32_t s) { return s % 3 == 0; });
    ASSERT_TRUE(log().OpenView());
    GoTo(3);

    EXPECT_EQ(log().Move(4), 4);
    EXPECT_EQ(At(), 15);
    EXPECT_EQ(log().Move(-2), -2);
    EXPECT_EQ(At(), 9);
    EXPECT_EQ(log().Move(5000), 5000);  // over blocks, the filter not asked
    EXPECT_EQ(At(), 5009);
    EXPECT_EQ(log().Move(-5001), -5001);
    EXPECT_EQ(At(), 8);
    EXPECT_EQ(log().Move(-5000), -7);  // stops at the oldest record
    EXPECT_EQ(At(), 1);
    EXPECT_EQ(log().Move(20000), kLast - 1);
    EXPECT_EQ(At(), kLast);
    // A short move that finds no more passing records stays on the last one it found.
    EXPECT_EQ(log().Move(-1), -1);
    EXPECT_EQ(At(), kLast - 1);
    EXPECT_EQ(log().Move(3), 0);
    EXPECT_EQ(At(), kLast - 1);
    EXPECT_TRUE(log().Passes());
}

TEST_F(ViewTest, PrevPassingWithNothingBeforeStandsOnTheFirstPassingRecord) {
    StoreN(20);
    FilterBy([](std::int32_t s) { return s >= 10; });
    ASSERT_TRUE(log().OpenView());
    GoTo(11);
    EXPECT_TRUE(log().PrevPassing());
    EXPECT_EQ(At(), 10);
    EXPECT_FALSE(log().PrevPassing());
    EXPECT_EQ(At(), 10);
    GoTo(4);  // a record that does not pass
    EXPECT_FALSE(log().PrevPassing());
    EXPECT_EQ(At(), 10);
    EXPECT_TRUE(log().Passes());

    FilterBy([](std::int32_t) { return false; });
    GoTo(4);
    EXPECT_FALSE(log().PrevPassing());
    EXPECT_FALSE(log().NextPassing());
}

TEST_F(ViewTest, AClosedViewCanBeOpenedAgain) {
    StoreN(3);
    ASSERT_TRUE(log().OpenView());
    log().CloseView();
    EXPECT_FALSE(log().ViewOpen());
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(At(), 3);
}

}  // namespace
}  // namespace vadrix::testing
