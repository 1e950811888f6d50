// Log files: opening with and without the age check, refusing files that are not logs,
// continuing a reopened log, the durable flush, save-as, delete and the selection writer.

#include <gtest/gtest.h>

#include <fstream>

#include "LogFixture.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

using LogFileTest = LogFixture;

TEST_F(LogFileTest, AReopenedLogContinuesAfterItsLastRecord) {
    ctx().general.Scale8 = 333;
    ctx().emse1.P.ComNumber = 4;
    ASSERT_TRUE(log().Create());
    StoreN(kPerBlock + 10);
    log().Close();

    ctx().general.Scale8 = 1;
    ctx().emse1.P.ComNumber = 9;
    ASSERT_TRUE(log().Open(file, false));
    EXPECT_EQ(ctx().general.Scale8, 333);  // the configuration of the recording is back
    EXPECT_EQ(ctx().emse1.P.ComNumber, 4u);
    EXPECT_EQ(log().Directory().NewestSeqNo, kPerBlock + 10u);
    StoreN(5);
    EXPECT_EQ(log().Directory().NewestSeqNo, kPerBlock + 15u);
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(WalkForward(), Range(1, kPerBlock + 15));
    EXPECT_TRUE(tc.ui.messages.empty());
}

// A wrapped ring written field by field as the file layout describes it, without the store:
// blocks 2 (oldest), 0 and 1 (current) hold records 1-3, 4-5 and 6-7.
TEST_F(LogFileTest, ALogWrittenByAnotherProgramOpensAndContinues) {
    std::vector<std::uint8_t> b(kLogBlocksStart + 3 * kLogBlockSize, 0);
    WriteLe<std::uint32_t>(b, 0, 0x51050005);
    WriteLe<std::uint32_t>(b, 4, static_cast<std::uint32_t>(b.size()));
    WriteLe<std::uint32_t>(b, 8, 2000);
    WriteLe<std::uint32_t>(b, 16, 484);
    WriteLe<std::int32_t>(b, 16 + 8, 2);  // protocol variant
    WriteLe<std::uint32_t>(b, 1016, 292);
    WriteLe<std::uint32_t>(b, 1308, 292);
    const std::uint32_t dirValues[] = {128, 3, 2, 1, 3, 1, 7};
    for (std::size_t i = 0; i < std::size(dirValues); ++i)
        WriteLe<std::uint32_t>(b, 2000 + 4 * i, dirValues[i]);
    struct BlockRecords {
        std::uint32_t block, first, last;
    };
    for (const BlockRecords& br : {BlockRecords{2, 1, 3}, {0, 4, 5}, {1, 6, 7}}) {
        const std::size_t base = kLogBlocksStart + br.block * kLogBlockSize;
        std::size_t pos = 64;
        for (std::uint32_t seq = br.first; seq <= br.last; ++seq, pos += 44) {
            WriteLe<std::uint16_t>(b, base + pos, seq == br.first ? 0 : 44);
            WriteLe<std::uint16_t>(b, base + pos + 2, 44);
            b[base + pos + 4] = 40;
            b[base + pos + 5] = 3;
            WriteLe<std::int16_t>(b, base + pos + 6, 11);
            WriteLe<double>(b, base + pos + 8, 46000.0 + seq);
            WriteLe<std::int32_t>(b, base + pos + 16, static_cast<std::int32_t>(seq));
            b[base + pos + 24] = 3;
        }
        WriteLe<std::uint32_t>(b, base + 4, static_cast<std::uint32_t>(pos - 44 - 64));
        WriteLe<std::uint32_t>(b, base + 8, br.first);
        WriteLe<std::uint32_t>(b, base + 12, br.last);
        WriteLe<std::uint32_t>(b, base + 32, br.last - br.first + 1);
    }
    const auto foreign = dir.Write("foreign.lg8", b);

    ctx().general.ProtocolVariant = 0;
    ASSERT_TRUE(log().Open(foreign, false));
    EXPECT_EQ(ctx().general.ProtocolVariant, 2);
    EXPECT_EQ(log().RecordCount(), 7u);
    ASSERT_TRUE(log().OpenView());
    EXPECT_EQ(WalkForward(), Range(1, 7));
    StoreN(1);
    EXPECT_EQ(log().Directory().NewestSeqNo, 8u);
    log().ViewToEnd();
    EXPECT_EQ(log().ViewRecord().PrevLen, 44);  // continues in block 1 behind record 7
    EXPECT_EQ(log().ViewBlock(), 1u);
    EXPECT_TRUE(tc.ui.messages.empty());
}

TEST_F(LogFileTest, AMissingOrEmptyFileBecomesANewLog) {
    for (const char* name : {"missing.lg8", "empty.lg8"}) {
        const auto f = dir / name;
        if (std::string(name) == "empty.lg8") dir.Write(name, "");
        ASSERT_TRUE(log().Open(f, false)) << name;
        EXPECT_EQ(std::filesystem::file_size(f), 2128u);
        EXPECT_EQ(ctx().run.LogFilePath, f);
    }
    EXPECT_TRUE(tc.ui.messages.empty());
}

TEST_F(LogFileTest, AChosenFileThatIsNoLogIsRefusedAndKept) {
    StoreN(3);
    const std::string text = "this is a text file, not a log\r\n";
    const auto other = dir.Write("notes.lg8", text);
    log().Close();  // as the open command does before it opens

    EXPECT_FALSE(log().Open(other, false, OpenIntent::kChosenFile));
    const std::vector<std::uint8_t> after = ReadFileBytes(other);
    EXPECT_EQ(std::string(after.begin(), after.end()), text);
    ASSERT_EQ(tc.ui.messages.size(), 1u);
    EXPECT_NE(tc.ui.messages[0].text.find("notes.lg8"), std::string::npos);
    EXPECT_EQ(tc.ui.messages[0].kind, MessageKind::kError);
    // The log in use stays and goes on.
    EXPECT_EQ(ctx().run.LogFilePath, file);
    EXPECT_TRUE(log().IsOpen());
    StoreN(1);
    EXPECT_EQ(log().Directory().NewestSeqNo, 4u);
}

TEST_F(LogFileTest, TheOwnLogIsRecreatedWhenInvalidAndTheOldFileKeptAsBad) {
    log().Close();
    const std::string junk(5000, 'x');
    dir.Write("live.lg8", junk);
    ASSERT_TRUE(log().Open(file, false, OpenIntent::kOwnLog));
    EXPECT_EQ(std::filesystem::file_size(file), 2128u);
    const auto bad = dir / "live.lg8.bad";
    ASSERT_TRUE(std::filesystem::exists(bad));
    EXPECT_EQ(ReadFileBytes(bad).size(), junk.size());
    EXPECT_TRUE(tc.ui.messages.empty());
}

TEST_F(LogFileTest, TheAgeCheckBeginsANewLogOnlyForLogsOlderThanADay) {
    struct Case {
        const char* what;
        LocalDateTime recorded;
        bool checkAge;
        bool kept;
    };
    const Case cases[] = {
        {"two days ago", {2026, 12, 8, 23, 0, 0, 0}, true, false},
        {"yesterday just after midnight", {2026, 12, 9, 0, 0, 30, 0}, true, true},
        {"yesterday late", {2026, 12, 9, 23, 59, 0, 0}, true, true},
        {"today", {2026, 12, 10, 8, 0, 0, 0}, true, true},
        {"a month ago, no check", {2026, 11, 10, 8, 0, 0, 0}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tc.clock.now = c.recorded;
        ctx().run.ClockOffsetMs = static_cast<std::int32_t>(
            ((c.recorded.hour * 60 + c.recorded.minute) * 60 + c.recorded.second) * 1000);
        ASSERT_TRUE(log().Create());
        StoreN(3);
        log().Close();
        tc.clock.now = {2026, 12, 10, 9, 0, 0, 0};
        ASSERT_TRUE(log().Open(file, c.checkAge));
        EXPECT_EQ(log().RecordCount(), c.kept ? 3u : 0u);
    }
}

TEST_F(LogFileTest, FlushWritesAtMostOnceASecondAndLeavesAnOpenableLog) {
    const std::uint32_t t0 = tc.clock.ms;
    StoreN(10);
    const auto copy = dir / "copy.lg8";
    auto recordsOnDisk = [&] {
        std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
        TestContext other;
        other->run.LogFilePath = copy;
        EXPECT_TRUE(other->log.Open(copy, false));
        return other->log.RecordCount();
    };
    EXPECT_EQ(recordsOnDisk(), 0u);
    log().Flush(t0 + 999);
    EXPECT_EQ(recordsOnDisk(), 0u);
    log().Flush(t0 + 1000);
    EXPECT_EQ(recordsOnDisk(), 10u);
    StoreN(kPerBlock);  // into the next block: the full block is written as it closes
    log().Flush(t0 + 1500);
    EXPECT_EQ(recordsOnDisk(), kPerBlock + 0u);  // its records are taken over on opening
    log().Flush(t0 + 2000);
    EXPECT_EQ(recordsOnDisk(), kPerBlock + 10u);
    EXPECT_FALSE(ctx().run.LogErrorFlag);
}

TEST_F(LogFileTest, AnUnwritableLogSetsTheErrorFlagAndStoringGoesOn) {
    ctx().run.LogFilePath = dir / "no-such-dir" / "live.lg8";
    EXPECT_FALSE(log().Create());
    EXPECT_TRUE(ctx().run.LogErrorFlag);
    StoreN(2 * kPerBlock);
    EXPECT_EQ(log().RecordCount(), 2u * kPerBlock);
    log().Close();
}

TEST_F(LogFileTest, SaveAsCopiesTheClosedLogAndGoesOnInTheSameFile) {
    StoreN(25);
    const auto target = dir / "saved.lg8";
    ASSERT_TRUE(log().SaveCopyAs(target));
    EXPECT_EQ(ctx().run.LogFilePath, file);
    EXPECT_TRUE(log().ViewOpen());
    EXPECT_EQ(log().ViewRecord().SeqNo, 25);  // the view shows the end
    StoreN(1);
    EXPECT_EQ(log().Directory().NewestSeqNo, 26u);

    TestContext other;
    ASSERT_TRUE(other->log.Open(target, false));
    EXPECT_EQ(other->log.RecordCount(), 25u);

    // Saving onto the log itself copies nothing and loses nothing.
    ASSERT_TRUE(log().SaveCopyAs(file));
    EXPECT_EQ(log().RecordCount(), 26u);
}

TEST_F(LogFileTest, ClearAllBeginsAnEmptyLogInTheSameFile) {
    StoreN(30);
    ASSERT_TRUE(log().ClearAll());
    EXPECT_EQ(log().RecordCount(), 0u);
    EXPECT_EQ(log().Queue().Pending(), 0);
    EXPECT_TRUE(log().ViewOpen());
    EXPECT_EQ(log().ViewRecord().RecLen, 0);
    EXPECT_EQ(std::filesystem::file_size(file), 2128u);
    StoreN(1);
    EXPECT_EQ(log().Directory().OldestSeqNo, 1u);
}

TEST_F(LogFileTest, AWriterKeepsNumbersAndTimesAndNeverCutsASelection) {
    const auto target = dir / "selection.lg8";
    TTelLog writer(ctx(), TTelLog::Role::kWriter);
    writer.SetRingBlocks(2);
    writer.AssignFile(target);
    ASSERT_TRUE(writer.Create());
    const int n = 3 * kPerBlock + 7;  // more than its two blocks hold
    for (int i = 0; i < n; ++i) {
        TTelegram t = MakeTelegram(kFrame);
        t.SeqNo = 100 + 2 * i;
        t.Time = 46000.5 + i;
        writer.AppendRecord(t);
    }
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(ctx().run.LogFilePath, file);  // the live log is not touched

    TestContext other;
    ASSERT_TRUE(other->log.Open(target, false));
    const TLogDirectory& d = other->log.Directory();
    EXPECT_EQ(d.BlockCount, 4u);
    EXPECT_EQ(d.BlocksInUse, 4u);
    EXPECT_EQ(d.OldestSeqNo, 100u);
    EXPECT_EQ(d.NewestSeqNo, 100u + 2 * (n - 1));
    ASSERT_TRUE(other->log.OpenView());
    other->log.ViewToStart();
    int count = 1;
    EXPECT_DOUBLE_EQ(other->log.ViewRecord().Time, 46000.5);
    while (other->log.StepForward()) ++count;
    EXPECT_EQ(count, n);
    EXPECT_EQ(other->log.ViewRecord().SeqNo, 100 + 2 * (n - 1));
}

}  // namespace
}  // namespace vadrix::testing
