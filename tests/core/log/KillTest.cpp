// A process that stores records steadily is killed: the log it leaves opens as a sound log
// holding every record stored more than about a second before the kill.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "LogFixture.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The child stores records carrying the moment they were stored and lets the log flush as
// the main timer would; it never returns.
[[noreturn]] void StoreUntilKilled(const std::filesystem::path& file, int readyFd) {
    TestContext tc;
    tc->run.LogFilePath = file;
    tc->log.SetRingBlocks(400);
    tc->log.SetCounterHook([](int) {});
    if (!tc->log.Create()) _exit(2);
    if (write(readyFd, "r", 1) != 1) _exit(3);
    for (int i = 0;; ++i) {
        TTelegram t = MakeTelegram(kFrame);
        const std::int64_t now = SteadyMs();
        std::memcpy(t.Frame, &now, sizeof now);
        tc->log.Store(t);
        if (i % 50 == 0) {
            tc->log.Flush(static_cast<std::uint32_t>(now));
            usleep(1000);
        }
    }
}

TEST(LogKillTest, AKilledWriterLosesAtMostAboutASecond) {
    TempDir dir;
    const auto file = dir / "killed.lg8";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        StoreUntilKilled(file, fds[1]);
    }
    close(fds[1]);
    char ready = 0;
    ASSERT_EQ(read(fds[0], &ready, 1), 1);
    close(fds[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    const std::int64_t killedAt = SteadyMs();
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));

    TestContext tc;
    tc->log.SetCounterHook([](int) {});
    ASSERT_TRUE(tc->log.Open(file, false, OpenIntent::kOwnLog));
    EXPECT_TRUE(tc.ui.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "killed.lg8.bad"));
    const std::uint32_t newest = tc->log.Directory().NewestSeqNo;
    ASSERT_GT(newest, 1000u);

    // Every record from the first to the newest, in order, none missing.
    ASSERT_TRUE(tc->log.OpenView());
    tc->log.ViewToStart();
    std::uint32_t expected = 1;
    std::int64_t newestStoredAt = 0;
    do {
        const TTelegram& r = tc->log.ViewRecord();
        ASSERT_EQ(static_cast<std::uint32_t>(r.SeqNo), expected);
        std::memcpy(&newestStoredAt, r.Frame, sizeof newestStoredAt);
        ++expected;
    } while (tc->log.StepForward());
    EXPECT_EQ(expected - 1, newest);
    ::testing::Test::RecordProperty("lost_ms", std::to_string(killedAt - newestStoredAt));
    EXPECT_GT(newestStoredAt, killedAt - 1500) << "lost " << killedAt - newestStoredAt << " ms";

    // The log continues after its last record.
    TTelegram t = MakeTelegram(kFrame);
    tc->log.Store(t);
    EXPECT_EQ(static_cast<std::uint32_t>(t.SeqNo), newest + 1);
}

// The file as it stands at any moment, as a killed process leaves it, is a sound log, also
// when the ring wrapped twice since the last flush: the directory on the disk never names as
// its oldest a block that was written over, so a reader finds every record from the oldest
// to the newest, in order, and at least those of the flush.
TEST(LogKillTest, TheFileIsSoundAtEveryMomentWhileTheRingWraps) {
    TempDir dir;
    const auto file = dir / "wrapping.lg8";
    TestContext tc;
    tc->run.LogFilePath = file;
    tc->log.SetRingBlocks(4);
    tc->log.SetCounterHook([](int) {});
    ASSERT_TRUE(tc->log.Create());
    const int flushAt = 3 * kPerBlock + kPerBlock / 2;
    std::uint32_t flushed = 0;
    for (int i = 1; i <= 6 * kPerBlock; ++i) {
        TTelegram t = MakeTelegram(kFrame);
        tc->log.Store(t);
        if (i == flushAt) {
            ASSERT_TRUE(tc->log.FlushNow());
            flushed = static_cast<std::uint32_t>(i);
        }
        if (i % 97 != 0 && i % kPerBlock > 2) continue;
        const auto snap = dir / "snap.lg8";
        std::filesystem::copy_file(file, snap, std::filesystem::copy_options::overwrite_existing);
        TestContext reader;
        reader->log.SetCounterHook([](int) {});
        ASSERT_TRUE(reader->log.OpenForReading(snap)) << "after record " << i;
        ASSERT_TRUE(reader->log.OpenView());
        const TLogDirectory& d = reader->log.Directory();
        if (i <= kPerBlock) {
            EXPECT_EQ(d.NewestSeqNo, 0u) << "nothing flushed, no block full yet";
            continue;
        }
        reader->log.ViewToStart();
        std::uint32_t expected = d.OldestSeqNo;
        do {
            const TTelegram& r = reader->log.ViewRecord();
            if (r.RecLen == 0) break;
            ASSERT_EQ(static_cast<std::uint32_t>(r.SeqNo), expected) << "after record " << i;
            ++expected;
        } while (reader->log.StepForward());
        EXPECT_EQ(expected - 1, d.NewestSeqNo) << "after record " << i;
        EXPECT_GE(d.NewestSeqNo, std::min<std::uint32_t>(flushed, static_cast<std::uint32_t>(i)))
            << "after record " << i;
        reader->log.Close();
    }
}

}  // namespace
}  // namespace vadrix::testing
