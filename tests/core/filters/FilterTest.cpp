// The filter record's preparation and test, the store's log filter, the display filter's
// toggle and filter files.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/Context.h"
#include "common/TextIds.h"
#include "filters/Filter.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

constexpr double kDay = 46000.0;  // some day; times are days with a fraction

TTelegram Record(std::uint8_t status = status::kGood, std::uint8_t kindCode = kind::kVariable,
                 std::uint8_t source = source::kE1) {
    TTelegram t{};
    t.RecLen = 52;
    t.Status = status;
    t.Kind = kindCode;
    t.Source = source;
    t.FrameLen = 20;
    t.Station = 9;
    t.TelNo = 300;
    t.DataKind = 2;
    t.SeqNo = 1;
    t.Time = kDay + 0.5;
    return t;
}

TFilterRecord Prepared(TFilterRecord f) {
    PrepareFilter(f);
    return f;
}

TFilterRow Row(std::int32_t mode, std::int32_t compare, std::int32_t v1, std::int32_t v2 = 0) {
    TFilterRow r;
    r.RowMode = mode;
    r.RowCompare = compare;
    r.RowValue1 = v1;
    r.RowValue2 = v2;
    return r;
}

TEST(PrepareFilter, AnEmptyRecordRestrictsNothingAndShowsBothStatuses) {
    TFilterRecord f;
    f.reserved200 = 77;
    PrepareFilter(f);
    EXPECT_EQ(f.FilterActive, 0);
    EXPECT_EQ(f.ShowGood, 1);
    EXPECT_EQ(f.ShowFaulty, 1);
    EXPECT_EQ(f.SourceMask, 15);
    EXPECT_EQ(f.DataKindMask, 15);
    EXPECT_EQ(f.RowCount, 4);
    EXPECT_EQ(f.reserved200, 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.Rows[i].RowField, 6 + i);
    // Both boxes cleared pass good and faulty records alike.
    EXPECT_TRUE(FilterAccepts(f, Record(status::kGood), 1));
    EXPECT_TRUE(FilterAccepts(f, Record(5), 1));
}

TEST(PrepareFilter, EachConditionMakesTheFilterActive) {
    struct Case {
        const char* what;
        void (*set)(TFilterRecord&);
    };
    const Case cases[] = {
        {"from", [](TFilterRecord& f) { f.FromEnabled = 1; }},
        {"to", [](TFilterRecord& f) { f.ToEnabled = 1; }},
        {"good only", [](TFilterRecord& f) { f.ShowGood = 1; }},
        {"faulty only", [](TFilterRecord& f) { f.ShowFaulty = 1; }},
        {"sources", [](TFilterRecord& f) { f.SourceMask = 3; }},
        {"data kinds", [](TFilterRecord& f) { f.DataKindMask = 1; }},
        {"row 4", [](TFilterRecord& f) { f.Rows[3].RowMode = 2; }},
    };
    for (const Case& c : cases) {
        TFilterRecord f;
        c.set(f);
        EXPECT_EQ(Prepared(f).FilterActive, 1) << c.what;
    }
    TFilterRecord both;
    both.ShowGood = both.ShowFaulty = 1;
    both.SourceMask = both.DataKindMask = 15;
    EXPECT_EQ(Prepared(both).FilterActive, 0);
}

TEST(FilterRow, ComparisonsAndTheWrappingRange) {
    struct Case {
        TFilterRow row;
        std::int64_t value;
        bool passes;
    };
    const Case cases[] = {
        {Row(0, 0, 99), 1, true},       // off
        {Row(1, 0, 7), 7, true},        // is equal
        {Row(1, 0, 7), 8, false},       //
        {Row(2, 0, 7), 7, false},       // is not equal
        {Row(1, 1, 3, 9), 9, true},     // either value
        {Row(1, 1, 3, 9), 4, false},    //
        {Row(1, 2, 5, 10), 5, true},    // range, both ends included
        {Row(1, 2, 5, 10), 10, true},   //
        {Row(1, 2, 5, 10), 11, false},  //
        {Row(1, 2, 10, 5), 3, true},    // a range from 10 that wraps round to 5
        {Row(1, 2, 10, 5), 12, true},   //
        {Row(1, 2, 10, 5), 7, false},   //
        {Row(2, 2, 10, 5), 7, true},    // not in the wrapping range
        {Row(1, 3, 1, 2), 2, true},     // any compare code above 2 is a range
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowAccepts(c.row, c.value), c.passes)
            << "mode " << c.row.RowMode << " compare " << c.row.RowCompare << " " << c.row.RowValue1
            << ".." << c.row.RowValue2 << " value " << c.value;
}

TEST(FilterAccepts, RowOneCountsFromTheOldestRecordOfTheLog) {
    TFilterRecord f;
    f.Rows[0] = Row(1, 2, 10, 5);
    f = Prepared(f);
    TTelegram t = Record();
    t.SeqNo = 5000 + 3;  // record number 3 of a log whose oldest is 5001
    EXPECT_TRUE(FilterAccepts(f, t, 5001));
    t.SeqNo = 5000 + 7;
    EXPECT_FALSE(FilterAccepts(f, t, 5001));
    t.SeqNo = 1;  // the first record of an empty log is number 1
    EXPECT_TRUE(FilterAccepts(f, t, 0));
}

TEST(FilterAccepts, TimeWindowWithBothEndsIncluded) {
    TFilterRecord f;
    f.FromEnabled = f.ToEnabled = 1;
    f.FromTime = kDay + 0.25;
    f.ToTime = kDay + 0.5;
    f = Prepared(f);
    TTelegram t = Record();
    for (const auto& [time, passes] : std::vector<std::pair<double, bool>>{
             {kDay + 0.2, false}, {kDay + 0.25, true}, {kDay + 0.5, true}, {kDay + 0.6, false}}) {
        t.Time = time;
        EXPECT_EQ(FilterAccepts(f, t, 1), passes) << time - kDay;
    }
    t.Time = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(FilterAccepts(f, t, 1));
}

TEST(FilterAccepts, EventRecordsAnswerOnlyToRowOneAndTheTimeWindow) {
    TFilterRecord f;
    f.FromEnabled = 1;
    f.FromTime = kDay + 0.25;
    f.SourceMask = 8;    // S2 only
    f.ShowFaulty = 1;    // faulty only
    f.DataKindMask = 1;  // org only
    f.Rows[1] = Row(1, 0, 1);
    f.Rows[2] = Row(1, 0, 1);
    f.Rows[3] = Row(1, 0, 1);
    f = Prepared(f);
    TTelegram event = Record(status::kPortOpened, kind::kEvent, source::kE1);
    event.Time = kDay + 0.5;
    EXPECT_TRUE(FilterAccepts(f, event, 1));
    event.Time = kDay + 0.1;
    EXPECT_FALSE(FilterAccepts(f, event, 1));
    TTelegram telegram = Record(status::kGood, kind::kVariable, source::kE1);
    EXPECT_FALSE(FilterAccepts(f, telegram, 1));
}

TEST(FilterAccepts, StatusBoxesAndTheChecksThatNeedAFrame) {
    TFilterRecord goodOnly;
    goodOnly.ShowGood = 1;
    goodOnly = Prepared(goodOnly);
    EXPECT_FALSE(FilterAccepts(goodOnly, Record(5), 1));
    EXPECT_TRUE(FilterAccepts(goodOnly, Record(status::kGood), 1));
    EXPECT_TRUE(FilterAccepts(goodOnly, Record(status::kPortOpened), 1));  // marks are no errors

    // Code 5 has no frame to look at: length, data kind, station and object rows do not apply.
    TFilterRecord faultyOnly;
    faultyOnly.ShowFaulty = 1;
    faultyOnly.DataKindMask = 1;
    faultyOnly.Rows[1] = Row(1, 0, 999);
    faultyOnly.Rows[2] = Row(1, 0, 99);
    faultyOnly.Rows[3] = Row(1, 0, 999);
    faultyOnly = Prepared(faultyOnly);
    EXPECT_TRUE(FilterAccepts(faultyOnly, Record(5), 1));
    EXPECT_TRUE(FilterAccepts(faultyOnly, Record(11), 1));
    EXPECT_FALSE(FilterAccepts(faultyOnly, Record(28), 1));  // a checksum error has its frame
    EXPECT_FALSE(FilterAccepts(faultyOnly, Record(status::kGood), 1));
}

TEST(FilterAccepts, FieldsOfAFramedTelegram) {
    struct Case {
        const char* what;
        void (*set)(TFilterRecord&);
        bool passes;
    };
    const Case cases[] = {
        {"source E1 allowed", [](TFilterRecord& f) { f.SourceMask = 1; }, true},
        {"source E1 barred", [](TFilterRecord& f) { f.SourceMask = 14; }, false},
        {"data kind 2 allowed", [](TFilterRecord& f) { f.DataKindMask = 4; }, true},
        {"data kind 2 barred", [](TFilterRecord& f) { f.DataKindMask = 11; }, false},
        {"length 20", [](TFilterRecord& f) { f.Rows[1] = Row(1, 0, 20); }, true},
        {"length not 20", [](TFilterRecord& f) { f.Rows[1] = Row(2, 0, 20); }, false},
        {"station 9", [](TFilterRecord& f) { f.Rows[2] = Row(1, 1, 8, 9); }, true},
        {"station 1..8", [](TFilterRecord& f) { f.Rows[2] = Row(1, 2, 1, 8); }, false},
        {"object 300", [](TFilterRecord& f) { f.Rows[3] = Row(1, 2, 300, 300); }, true},
        {"object 301", [](TFilterRecord& f) { f.Rows[3] = Row(1, 0, 301); }, false},
    };
    for (const Case& c : cases) {
        TFilterRecord f;
        c.set(f);
        EXPECT_EQ(FilterAccepts(Prepared(f), Record(), 1), c.passes) << c.what;
    }
}

TEST(FilterAccepts, RecordsWithoutASourceOrWithADamagedKindAreSafe) {
    TFilterRecord open = Prepared(TFilterRecord{});
    open.ShowGood = 1;  // restrict something else, keep all sources
    open.ShowFaulty = 0;
    TTelegram t = Record(status::kGood, kind::kVariable, source::kNone);
    EXPECT_TRUE(FilterAccepts(open, t, 1));
    t.Source = 200;
    t.DataKind = 255;
    EXPECT_TRUE(FilterAccepts(open, t, 1));
    TFilterRecord someSources;
    someSources.SourceMask = 3;
    EXPECT_FALSE(FilterAccepts(Prepared(someSources), t, 1));
}

class FilterInContextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tc->run.LogFilePath = dir / "live.lg8";
        tc->log.SetRingBlocks(2);
        ASSERT_TRUE(tc->log.Create());
    }
    TempDir dir;
    TestContext tc;
};

TEST_F(FilterInContextTest, TheLogFilterKeepsRejectedRecordsOutOfTheLog) {
    TFilterRecord& f = tc->general.LogFilter;
    f.ShowGood = 1;
    PrepareFilter(f);
    f.FilterOn = 1;
    TTelegram bad = Record(5);
    TTelegram good = Record();
    EXPECT_FALSE(tc->log.Store(bad));
    EXPECT_TRUE(tc->log.Store(good));
    EXPECT_EQ(tc->log.RecordCount(), 1u);
    EXPECT_EQ(good.SeqNo, 1);
}

TEST_F(FilterInContextTest, DisplayFilterPassesEverythingWhileOffAndNoEmptyRecord) {
    TFilterRecord& f = tc->general.DisplayFilter;
    f.SourceMask = 4;
    PrepareFilter(f);
    TTelegram t = Record();
    EXPECT_TRUE(PassesDisplayFilter(*tc, t));
    f.FilterOn = 1;
    EXPECT_FALSE(PassesDisplayFilter(*tc, t));
    t.Source = source::kE2;
    EXPECT_TRUE(PassesDisplayFilter(*tc, t));
    t.RecLen = 0;
    EXPECT_FALSE(PassesDisplayFilter(*tc, t));
    // The store's own display test (online queue, view) is the same test.
    TTelegram e1 = Record();
    TTelegram e2 = Record(status::kGood, kind::kVariable, source::kE2);
    tc->log.Store(e1);
    tc->log.Store(e2);
    EXPECT_EQ(tc->log.Queue().Pending(), 1);
}

TEST_F(FilterInContextTest, ToggleRefusesAFilterThatRestrictsNothing) {
    TFilterRecord& f = tc->general.DisplayFilter;
    PrepareFilter(f);
    EXPECT_FALSE(ToggleDisplayFilter(*tc));
    ASSERT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_EQ(tc.ui.messages[0].text, std::string(tc->Txt(txt::kFilterEmpty)));
    EXPECT_EQ(f.FilterOn, 0);

    f.ShowFaulty = 0;
    f.ShowGood = 1;
    PrepareFilter(f);
    EXPECT_TRUE(ToggleDisplayFilter(*tc));
    EXPECT_EQ(f.FilterOn, 1);
    EXPECT_TRUE(ToggleDisplayFilter(*tc));
    EXPECT_EQ(f.FilterOn, 0);
    EXPECT_EQ(tc.ui.redraws, 2);
}

TEST(FilterFile, SavedRecordLoadsBackWithItsMarker) {
    TempDir dir;
    TFilterRecord f;
    f.SourceMask = 5;
    f.Rows[2] = Row(1, 2, 10, 5);
    PrepareFilter(f);
    ASSERT_TRUE(SaveFilterFile(dir / "Filter", f));
    const std::vector<std::uint8_t> bytes = ReadFileBytes(dir / "Filter");
    ASSERT_EQ(bytes.size(), 212u);
    EXPECT_EQ(ReadLe<std::uint16_t>(bytes, 2), 212);
    TFilterRecord back;
    ASSERT_TRUE(LoadFilterFile(dir / "Filter", back));
    EXPECT_EQ(std::vector<std::uint8_t>(BytesOf(back).begin(), BytesOf(back).end()), bytes);
}

TEST(FilterFile, WrongSizeOrMarkerIsIgnored) {
    TempDir dir;
    TFilterRecord f;
    f.SourceMask = 5;
    f.SizeMarker = 212;
    const auto whole = BytesOf(std::as_const(f));
    std::vector<std::uint8_t> good(whole.begin(), whole.end());
    std::vector<std::uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    std::vector<std::uint8_t> marker = good;
    marker[2] = 211;
    struct Case {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        bool taken;
    };
    for (const Case& c : {Case{"good", good, true}, Case{"211", shorter, false},
                          Case{"213", longer, false}, Case{"marker", marker, false}}) {
        TFilterRecord target;
        target.SourceMask = 9;
        EXPECT_EQ(LoadFilterFile(dir.Write(c.name, c.bytes), target), c.taken) << c.name;
        EXPECT_EQ(target.SourceMask, c.taken ? 5 : 9) << c.name;
    }
    TFilterRecord target;
    EXPECT_FALSE(LoadFilterFile(dir / "missing", target));
    EXPECT_FALSE(LoadFilterFile(dir.path(), target));  // a folder is no filter file
}

}  // namespace
}  // namespace vadrix::testing
