// vadrix-cli run as the unattended recorder: a set-up made beforehand, a pseudo-terminal as
// its line, frames written into it and a send telegram read out of it, and an end by time
// or by SIGTERM that leaves a valid log and the settings behind.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
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

// Channel 1 on port 1 in the direct variant, send telegram 1 on it.
void MakeSetUp(testing::TestContext& tc, const std::filesystem::path& file) {
    SetDefaultSendTelegrams(*tc);
    SetDefaultSendLists(*tc);
    tc->general.ProtocolVariant = 2;
    tc->emse1.P.ComNumber = 1;
    tc->emse1.P.Baud = 9600;
    tc->emse1.P.StationAddr[0] = 9;
    tc->emse2.P.ComNumber = 0;
    TSendTelegram& t = tc->sendTelegrams.Items[0];
    t.Head.Send = 2;
    t.Head.AnzT = 1;
    t.Head.Entry.TelNr = 777;
    t.Head.Entry.Da = 1;
    ASSERT_TRUE(SaveSendFile(*tc, file));
}

// What the program puts on the line for that telegram.
Bytes ExpectedFrame(testing::TestContext& tc) {
    tc->emse1.TxSource = source::kS1;
    tc->emse1.P.Function = 0;
    InitChannel(*tc, tc->emse1);
    TSendTelegram t = tc->sendTelegrams.Items[0];
    ComposeTelegram(*tc, tc->emse1, t);
    const TTelegram& b = tc->emse1.TxBuffer;
    return Bytes(b.Frame, b.Frame + b.FrameLen);
}

class CliRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        ASSERT_TRUE(pty.ok());
        testing::PlaceCliWithTexts(dir);
        MakeSetUp(tc, dir / "line.st8");
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
        testing::RunCli(dir, Command("--send-telegram 1 --duration 3"), false);
    far.join();
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    // The send telegram went out byte for byte as composition builds it.
    const Bytes expected = ExpectedFrame(tc);
    const Bytes sent = pty.ReadAvailable();
    EXPECT_NE(std::search(sent.begin(), sent.end(), expected.begin(), expected.end()), sent.end());
    // Both received frames were printed, the faulty one with its status.
    EXPECT_NE(r.output.find("E1"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("S1"), std::string::npos) << r.output;
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
