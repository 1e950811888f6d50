// A log opened for reading is read whole and never written, not even when it is closed.

#include <gtest/gtest.h>

#include "log/TelLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

TTelegram Frame(std::uint8_t station) {
    TTelegram t{};
    t.Status = status::kGood;
    t.Kind = kind::kVariable;
    t.Source = source::kE1;
    t.FrameLen = 5;
    t.Frame[0] = 0x10;
    t.Frame[1] = station;
    return t;
}

TEST(ReadOnlyLog, AnUnfinishedLogIsReadWithoutChangingAByte) {
    testing::TempDir dir;
    testing::TestContext writer;
    writer->run.LogFilePath = dir / "live.lg8";
    writer->log.SetRingBlocks(3);
    ASSERT_TRUE(writer->log.Create());
    for (std::uint8_t i = 1; i <= 10; ++i) {
        TTelegram t = Frame(i);
        writer->log.Store(t);
    }
    ASSERT_TRUE(
        writer->log.FlushNow());  // on disk, but not finished: as a running program leaves it
    const auto before = testing::ReadFileBytes(dir / "live.lg8");

    testing::TestContext reader;
    reader->run.LogFilePath = dir / "own.lg8";
    ASSERT_TRUE(reader->log.OpenForReading(dir / "live.lg8"));
    EXPECT_TRUE(reader->log.ReadOnly());
    EXPECT_EQ(reader->log.RecordCount(), 10u);
    TTelegram extra = Frame(11);
    EXPECT_FALSE(reader->log.Store(extra));

    ASSERT_TRUE(reader->log.OpenView());
    reader->log.ViewToStart();
    int seen = 0;
    do {
        if (reader->log.ViewRecord().RecLen != 0) ++seen;
    } while (reader->log.StepForward());
    EXPECT_EQ(seen, 10);

    reader->log.Close();
    EXPECT_EQ(testing::ReadFileBytes(dir / "live.lg8"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "own.lg8"));
}

TEST(ReadOnlyLog, AFileThatIsNotALogIsRefusedAndKept) {
    testing::TempDir dir;
    testing::TestContext tc;
    tc->run.LogFilePath = dir / "own.lg8";
    const auto file = dir.Write("notes.lg8", "not a log at all");
    EXPECT_FALSE(tc->log.OpenForReading(file));
    EXPECT_FALSE(tc->log.OpenForReading(dir / "missing.lg8"));
    EXPECT_EQ(tc.ui.messages.size(), 2u);
    EXPECT_EQ(testing::ReadFileBytes(file).size(), 16u);
    EXPECT_FALSE(std::filesystem::exists(dir / "own.lg8"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.lg8"));
}

}  // namespace
}  // namespace vadrix
