// vadrix-cli run as the unattended recorder: a set-up made beforehand, a pseudo-terminal as
// its line, frames written into it and a send telegram read out of it, and an end by time
// or by SIGTERM that leaves a valid log and the settings behind.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include "CliRun.h"
#include "app/Context.h"
#include "app/SendDefaults.h"
#include "channel/Channel.h"
#include "log/SendFile.h"
#include "runtime/SerialPtyPair.h"
#include "support/Frames.h"
#include "support/TestContext.h"
#include "transmit/Compose.h"

namespace vadrix {
namespace {

using testing::Bytes;

// What the program puts on the line for send telegram 1 of a set-up.
Bytes ExpectedFrame(testing::TestContext& tc, const std::filesystem::path& setUp) {
    SetDefaultSendTelegrams(*tc);
    SetDefaultSendLists(*tc);
    EXPECT_TRUE(LoadSendFile(*tc, setUp));
    tc->emse1.TxSource = source::kS1;
    InitChannel(*tc, tc->emse1);
    TSendTelegram t = tc->sendTelegrams.Items[0];
    ComposeTelegram(*tc, tc->emse1, t);
    const TTelegram& b = tc->emse1.TxBuffer;
    return Bytes(b.Frame, b.Frame + b.FrameLen);
}

// The JSON lines of telegrams (not port events) of one source whose status is, or is not,
// the good one.
int CountRecords(const std::string& jsonLines, int source, bool good) {
    int n = 0;
    std::istringstream in(jsonLines);
    for (std::string line; std::getline(in, line);) {
        if (line.find("\"source\":" + std::to_string(source) + ",") == std::string::npos ||
            line.find("\"kind\":3,") == std::string::npos)
            continue;
        if ((line.find("\"status\":40,") != std::string::npos) == good) ++n;
    }
    return n;
}

class CliRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        ASSERT_TRUE(pty.ok());
        testing::PlaceCliWithTexts(dir);
        // Channel 1 on port 1 in the direct variant, send telegram 1 on it.
        const testing::CliRun r = testing::RunCli(
            dir,
            "setup line.st8 general.ProtocolVariant=2 emse1.ComNumber=1 emse1.Baud=9600 "
            "emse1.StationAddr=9 emse2.ComNumber=0 telegram1.Send=2 telegram1.AnzT=1 "
            "telegram1.Entry.TelNr=777 telegram1.Entry.Da=1");
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    std::string Command(const std::string& extra) {
        return "run line.st8 --port 1=" + pty.device() + " --lang usa -f 6 " + extra;
    }
    std::filesystem::path LiveLog() { return dir / "data/Tavrel/DemoQ5/Q5Log.lg8"; }

    testing::TempDir dir;
    testing::PtyPair pty;
    testing::TestContext tc;
};

TEST_F(CliRunTest, ReceivesFramesSendsItsTelegramAndEndsAfterItsTime) {
    const Bytes good = testing::Variable(testing::LongPayload(9, 0, 1, 300, 0x11));
    Bytes bad = testing::Variable(testing::LongPayload(9, 0, 1, 301, 0x22));
    bad[bad.size() - 2] ^= 0xFF;  // checksum
    std::thread far([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        pty.Send(good);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pty.Send(bad);
    });
    const testing::CliRun r =
        testing::RunCli(dir, Command("--send-telegram 1 --duration 3 --json"), false);
    far.join();
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    // The send telegram went out byte for byte as composition builds it.
    const Bytes expected = ExpectedFrame(tc, dir / "line.st8");
    const Bytes sent = pty.ReadAvailable();
    EXPECT_NE(std::search(sent.begin(), sent.end(), expected.begin(), expected.end()), sent.end());
    // Both received frames were printed, the faulty one with its error status, and the sent
    // telegram as sent.
    EXPECT_EQ(CountRecords(r.output, source::kE1, true), 1) << r.output;
    EXPECT_EQ(CountRecords(r.output, source::kE1, false), 1) << r.output;
    EXPECT_EQ(CountRecords(r.output, source::kS1, true), 1) << r.output;
    const testing::CliRun info = testing::RunCli(dir, "info " + LiveLog().string());
    EXPECT_EQ(info.exitCode, 0) << info.output;
}

TEST_F(CliRunTest, SigtermLeavesAValidLogAndSavedSettings) {
    const std::string home = dir.path().string();
    const std::string command = "cd '" + home + "' && HOME='" + home + "' XDG_CONFIG_HOME='" +
                                home + "/config' XDG_DATA_HOME='" + home +
                                "/data' XDG_RUNTIME_DIR='" + home + "' exec ./vadrix-cli " +
                                Command("") + " >/dev/null 2>&1";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    pty.Send(testing::Variable(testing::LongPayload(9, 0, 1, 300, 0x11)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const testing::CliRun info = testing::RunCli(dir, "info " + LiveLog().string());
    EXPECT_EQ(info.exitCode, 0) << info.output;
    const testing::CliRun status2 = testing::RunCli(dir, "status");
    EXPECT_EQ(status2.exitCode, 0) << status2.output;
}

}  // namespace
}  // namespace vadrix
