// Storing records: stamps, numbering, placement in blocks, the ring, counters, filters and
// the online queue.

#include <gtest/gtest.h>

#include "LogFixture.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

using StoreTest = LogFixture;

TEST_F(StoreTest, NewFileHasTheHeaderAndDirectoryByteForByte) {
    ctx().general.DisplayFilter.FilterOn = 1;
    ctx().general.LogFilter.FilterOn = 1;
    ctx().general.LogSize = 1;
    ctx().emse2.P.ComNumber = 7;
    log().SetRingBlocks(0);
    ASSERT_TRUE(log().Create());

    const std::vector<std::uint8_t> b = ReadFileBytes(file);
    ASSERT_EQ(b.size(), 2128u);
    EXPECT_EQ((std::vector<std::uint8_t>{b[0], b[1], b[2], b[3]}),
              (std::vector<std::uint8_t>{0x05, 0x00, 0x05, 0x51}));
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 4), 0u);      // length in use: only when finished
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 8), 2000u);   // header size
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 16), 484u);   // general parameters
    EXPECT_EQ(ReadLe<std::int32_t>(b, 16 + 32), 1);  // their log size
    EXPECT_EQ(b[256], 0);  // display filter enable byte cleared in the copy
    EXPECT_EQ(b[468], 0);  // log filter enable byte cleared in the copy
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 1016), 292u);
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 1308), 292u);
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 1308 + 12), 7u);  // EmSe2's port number
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 2000), 128u);
    EXPECT_EQ(ReadLe<std::uint32_t>(b, 2004), 32u);  // N for a log size of 1
    for (std::size_t off = 2008; off < 2128; ++off) ASSERT_EQ(b[off], 0) << off;
    EXPECT_EQ(ctx().general.DisplayFilter.FilterOn, 1);  // the live record keeps its filter
}

TEST_F(StoreTest, StoreStampsNumbersAndChainsRecords) {
    tc.clock.Advance(1500);
    TTelegram a = MakeTelegram(11);
    TTelegram b = MakeTelegram(40);
    ASSERT_TRUE(log().Store(a));
    ASSERT_TRUE(log().Store(b));

    EXPECT_EQ(a.SeqNo, 1);
    EXPECT_EQ(b.SeqNo, 2);
    EXPECT_EQ(a.RecLen, 44);  // 11 + 32 rounded up to even
    EXPECT_EQ(b.RecLen, 72);
    EXPECT_EQ(a.PrevLen, 0);
    EXPECT_EQ(b.PrevLen, 44);
    const double expected = DateSerial(2026, 12, 10) + (kNoonMs + 1500) / 86400000.0;
    EXPECT_DOUBLE_EQ(a.Time, expected);
    EXPECT_EQ(log().Directory().OldestSeqNo, 1u);
    EXPECT_EQ(log().Directory().NewestSeqNo, 2u);
    EXPECT_DOUBLE_EQ(log().Directory().NewestTime, b.Time);
    EXPECT_EQ(log().RecordCount(), 2u);

    log().Close();
    const std::vector<std::uint8_t> f = ReadFileBytes(file);
    ASSERT_EQ(f.size(), 2128u + 32768u);
    const std::size_t blk = 2128;
    EXPECT_EQ(ReadLe<std::uint32_t>(f, blk + 4), 44u);  // last record, counted from 64
    EXPECT_EQ(ReadLe<std::uint32_t>(f, blk + 8), 1u);
    EXPECT_EQ(ReadLe<std::uint32_t>(f, blk + 12), 2u);
    EXPECT_DOUBLE_EQ(ReadLe<double>(f, blk + 16), a.Time);
    EXPECT_DOUBLE_EQ(ReadLe<double>(f, blk + 24), b.Time);
    EXPECT_EQ(ReadLe<std::uint32_t>(f, blk + 32), 2u);
    EXPECT_EQ(ReadLe<std::uint16_t>(f, blk + 64 + 2), 44u);
    EXPECT_EQ(ReadLe<std::uint16_t>(f, blk + 64 + 44), 44u);          // PrevLen of the second
    EXPECT_EQ(ReadLe<std::uint16_t>(f, blk + 64 + 44 + 72 + 2), 0u);  // end of the records
    EXPECT_EQ(f[blk + 64 + 30], 1);                                   // first frame byte
    EXPECT_EQ(ReadLe<std::uint32_t>(f, 4), 2128u + 32768u);           // length in use
    EXPECT_EQ(ReadLe<std::uint32_t>(f, 2000 + 16), 1u);               // blocks in use
}

// Fills block 0 up to 32680 bytes with 108 records of 302 bytes; then a record of the given
// frame length either still fits (ends at 32766) or would end on the block's last byte.
TEST_F(StoreTest, ARecordEndingOnTheLastByteOfABlockOpensTheNext) {
    struct Case {
        int frameLen;
        std::uint32_t block;
    };
    for (const Case c : {Case{54, 0}, Case{56, 1}}) {
        SCOPED_TRACE(c.frameLen);
        ASSERT_TRUE(log().Create());
        StoreN(108, 270);
        ASSERT_EQ(log().Directory().CurrentBlock, 0u);
        StoreN(1, c.frameLen);
        EXPECT_EQ(log().Directory().CurrentBlock, c.block);
    }
}

TEST_F(StoreTest, TextRecordsAndOverlongFramesAreKeptWithinARecord) {
    TTelegram t = MakeTelegram(400);  // longer than any frame reception delivers
    ASSERT_TRUE(log().Store(t));
    EXPECT_EQ(t.FrameLen, 270);
    EXPECT_EQ(t.RecLen, 302);
    TTelegram neg = MakeTelegram(0);
    neg.FrameLen = -5;
    ASSERT_TRUE(log().Store(neg));
    EXPECT_EQ(neg.RecLen, 32);
}

TEST_F(StoreTest, AFullRingOverwritesItsOldestBlockAndMarksAViewStandingThere) {
    // Ring of 4 blocks: 4 full blocks, then one more record overwrites block 0.
    StoreN(4 * kPerBlock);
    ASSERT_EQ(log().Directory().CurrentBlock, 3u);
    ASSERT_EQ(log().Directory().OldestBlock, 0u);
    ASSERT_TRUE(log().OpenView());
    log().ViewToStart();
    ASSERT_EQ(log().ViewBlock(), 0u);
    EXPECT_FALSE(log().ViewStale());

    StoreN(1);
    const TLogDirectory& d = log().Directory();
    EXPECT_EQ(d.CurrentBlock, 0u);
    EXPECT_EQ(d.OldestBlock, 1u);
    EXPECT_EQ(d.OldestSeqNo, kPerBlock + 1u);  // the first record of block 1
    EXPECT_EQ(d.NewestSeqNo, 4u * kPerBlock + 1);
    EXPECT_EQ(log().RecordCount(), 3u * kPerBlock + 1);
    EXPECT_TRUE(log().ViewStale());

    // The view on a block that is not overwritten stays good; after the mark is handled
    // the whole log reads in order from the new oldest record.
    log().ClearViewStale();
    log().ViewToEnd();
    StoreN(kPerBlock);  // overwrites block 1, the view is in block 0
    EXPECT_FALSE(log().ViewStale());
    EXPECT_EQ(log().Directory().OldestBlock, 2u);
    log().ViewToEnd();
    EXPECT_EQ(WalkForward(), Range(2 * kPerBlock + 1, 5 * kPerBlock + 1));
}

TEST_F(StoreTest, ARecordRejectedByTheLogFilterLeavesNoGap) {
    ctx().general.LogFilter.FilterOn = 1;
    log().SetFilterTest([this](const TFilterRecord& f, const TTelegram& t) {
        return &f != &ctx().general.LogFilter || t.Station != 7;
    });
    TTelegram a = MakeTelegram(11, source::kE1, status::kGood, kind::kVariable, 5);
    TTelegram rejected = MakeTelegram(11, source::kE1, 3, kind::kVariable, 7);
    TTelegram c = MakeTelegram(11, source::kE1, status::kGood, kind::kVariable, 5);
    EXPECT_TRUE(log().Store(a));
    EXPECT_FALSE(log().Store(rejected));
    EXPECT_TRUE(log().Store(c));
    EXPECT_EQ(c.SeqNo, a.SeqNo + 1);
    EXPECT_EQ(log().TelegramCount(1), 2u);
    EXPECT_EQ(log().ErrorCount(1), 0u);
    EXPECT_EQ(log().Queue().Pending(), 2);
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(WalkForward(), Range(1, 2));

    // The filter test is asked only while the log filter is on.
    ctx().general.LogFilter.FilterOn = 0;
    EXPECT_TRUE(log().Store(rejected));
}

TEST_F(StoreTest, CountersFollowSourceKindAndStatus) {
    struct Case {
        std::uint8_t source, kind, status;
        std::vector<int> changed;  // counter indices told, in order
    };
    const Case cases[] = {
        {source::kE1, kind::kVariable, status::kGood, {0}},
        {source::kS1, kind::kVariable, 5, {2, 3}},  // faulty telegram
        {source::kE2, kind::kEvent, status::kPortOpened, {}},
        {source::kS2, kind::kEvent, status::kSupervision, {7}},  // event below 40: error only
        {source::kE1, kind::kLineEvent, status::kModemLines, {}},
        {source::kS1, kind::kLineEvent, status::kRtsSwitched, {}},
        {source::kE2, kind::kVariable, status::kTransferMarked, {}},
        {source::kE2, kind::kVariable, 53, {4}},
        {source::kNone, kind::kEvent, status::kFreeText, {}},
        {9, kind::kVariable, 3, {}},  // no such source
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << int(c.source) << "/" << int(c.kind) << "/" << int(c.status));
        counterCalls.clear();
        TTelegram t = MakeTelegram(11, c.source, c.status, c.kind);
        log().Store(t);
        EXPECT_EQ(counterCalls, c.changed);
    }
    EXPECT_EQ(log().Counter(0), 1u);
    EXPECT_EQ(log().Counter(2), 1u);
    EXPECT_EQ(log().Counter(3), 1u);
    EXPECT_EQ(log().Counter(4), 1u);
    EXPECT_EQ(log().Counter(7), 1u);
    counterCalls.clear();
    log().ClearCounters();
    EXPECT_EQ(counterCalls, std::vector<int>{-1});
    for (int k = 0; k < TTelLog::kCounters; ++k) EXPECT_EQ(log().Counter(k), 0u);
}

TEST_F(StoreTest, WithoutAHookTheStatusTableIsTold) {
    log().SetCounterHook(nullptr);
    StoreN(1);
    ASSERT_FALSE(tc.ui.indicators.empty());
    EXPECT_EQ(tc.ui.indicators.back(), std::make_pair(Indicator::kStatusTable, 0));
}

TEST_F(StoreTest, TheQueueDropsFourOnOverflowAndResumesBelowTwo) {
    StoreN(15);
    TOnlineQueue& q = log().Queue();
    ASSERT_EQ(q.Pending(), 15);
    EXPECT_FALSE(q.Overflow());

    StoreN(1);  // the 16th: not queued, the four oldest pending are dropped
    EXPECT_TRUE(q.Overflow());
    EXPECT_EQ(q.Pending(), 11);
    StoreN(3);  // nothing is queued while the overflow lasts
    EXPECT_EQ(q.Pending(), 11);

    TTelegram out;
    ASSERT_TRUE(q.Take(out));
    EXPECT_EQ(out.SeqNo, 5);  // 1 to 4 were dropped
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(q.Take(out));
    EXPECT_EQ(q.Pending(), 2);
    EXPECT_TRUE(q.Overflow());
    ASSERT_TRUE(q.Take(out));
    EXPECT_EQ(q.Pending(), 1);
    EXPECT_FALSE(q.Overflow());

    StoreN(1);
    EXPECT_EQ(q.Pending(), 2);
    ASSERT_TRUE(q.Take(out));
    ASSERT_TRUE(q.Take(out));
    EXPECT_EQ(out.SeqNo, 20);
    EXPECT_FALSE(q.Take(out));

    log().ClearQueue();
    EXPECT_EQ(q.Pending(), 0);
    EXPECT_TRUE(q.redrawAll);
    EXPECT_EQ(q.Slot(0).RecLen, 0);
}

TEST_F(StoreTest, TheDisplayFilterDecidesWhatIsQueued) {
    ctx().general.DisplayFilter.FilterOn = 1;
    log().SetFilterTest([this](const TFilterRecord& f, const TTelegram& t) {
        return &f != &ctx().general.DisplayFilter || t.Source == source::kS1;
    });
    StoreN(3, kFrame, source::kE1);
    StoreN(2, kFrame, source::kS1);
    EXPECT_EQ(log().Queue().Pending(), 2);
    EXPECT_EQ(log().RecordCount(), 5u);
}

// Near midnight the local date and the time base may disagree for a moment: the stamp
// follows the time base and never jumps a day back or forth.
TEST_F(StoreTest, StampsNearMidnightKeepTheirDay) {
    struct Case {
        int hour, minute, second;  // local clock
        std::int32_t todMs;        // time of day of the time base
        double expected;           // stamp relative to 10 December
    };
    const double day = 1.0 / 86400000.0;
    const Case cases[] = {
        {23, 59, 59, 10, 1 + 10 * day},            // base already past midnight
        {0, 0, 0, 86399990, -1 + 86399990 * day},  // base not yet there
        {12, 0, 0, 43200000, 0.5},                 // ordinary
    };
    for (const Case& c : cases) {
        tc.clock.now = {2026, 12, 10, c.hour, c.minute, c.second, 0};
        ctx().run.ClockOffsetMs = c.todMs - static_cast<std::int32_t>(tc.clock.ms);
        TTelegram t = MakeTelegram(11);
        log().Store(t);
        EXPECT_NEAR(t.Time - DateSerial(2026, 12, 10), c.expected, 1e-9) << c.hour;
    }
}

}  // namespace
}  // namespace vadrix::testing
