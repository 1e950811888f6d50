// Faults of the machine under the unattended recorder (vadrix-cli run): the disk filling up
// while it logs, and the process killed at any moment while its log ring wraps. Whatever
// happens, the log file that is left opens valid and keeps what was written before.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "app/Context.h"
#include "common/TextIds.h"
#include "support/Frames.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using Clock = std::chrono::steady_clock;
using testing::Bytes;

// The far end of the recorder's line: a pseudo-terminal whose writes never wait long, so
// that a recorder that closed its end cannot hold the test up.
class FarEnd {
  public:
    FarEnd() {
        // Not inherited by the recorder, or closing it here would not close the line.
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) return;
        if (const char* name = ::ptsname(fd_)) device_ = name;
    }
    ~FarEnd() {
        if (fd_ >= 0) ::close(fd_);
    }
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;

    const std::string& device() const { return device_; }
    // As a cable pulled out: the recorder's end of the line is left without a device.
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Writes the frame, waiting at most about 200 ms for room; false when it did not go.
    bool Send(const Bytes& frame) {
        std::size_t done = 0;
        for (int tries = 0; done < frame.size() && tries < 20; ++tries) {
            const ssize_t n = ::write(fd_, frame.data() + done, frame.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
        // Whatever the recorder writes back is not looked at.
        std::uint8_t sink[4096];
        while (::read(fd_, sink, sizeof sink) > 0) {
        }
        return done == frame.size();
    }

  private:
    int fd_ = -1;
    std::string device_;
};

// A variable frame of about 200 bytes whose bytes 10..13 carry a running number.
Bytes NumberedFrame(std::uint32_t n, std::size_t payloadBytes = 200) {
    Bytes payload = testing::LongPayload(9, 0, 1, 300, 0x11);
    for (int i = 0; i < 4; ++i) payload.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    payload.resize(payloadBytes, 0x5A);
    return testing::Variable(payload);
}

// One record of a JSON dump or of the recorder's output: its number, status, and the
// running number its frame carries (-1 for records that are not numbered frames).
struct Seen {
    long seq = 0;
    int status = 0;
    long number = -1;
};

bool ParseLine(const std::string& line, Seen& s) {
    static const std::regex seq(R"("seq":(\d+),)");
    static const std::regex status(R"("status":(\d+),)");
    static const std::regex frame(R"re("frame":"([0-9A-Fa-f]*)")re");
    std::smatch m;
    if (!std::regex_search(line, m, seq)) return false;
    s.seq = std::stol(m[1]);
    s.status = std::regex_search(line, m, status) ? std::stoi(m[1]) : -1;
    s.number = -1;
    if (std::regex_search(line, m, frame) && m[1].length() >= 28 &&
        m[1].str().rfind("68", 0) == 0) {
        const std::string hex = m[1];
        long n = 0;
        for (int i = 3; i >= 0; --i)
            n = n * 256 + std::stol(hex.substr(20 + 2 * i, 2), nullptr, 16);
        s.number = n;
    }
    return true;
}

std::vector<Seen> ParseLines(const std::string& text) {
    std::vector<Seen> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        Seen s;
        if (ParseLine(text.substr(at, end - at), s)) out.push_back(s);
        at = end + 1;
    }
    return out;
}

// The shell words that run the tool in dir as RunCli does.
std::string ToolCommand(const testing::TempDir& dir, const std::string& args) {
    const std::string home = dir.path().string();
    return "cd '" + home + "' && HOME='" + home + "' XDG_CONFIG_HOME='" + home +
           "/config' XDG_DATA_HOME='" + home + "/data' XDG_RUNTIME_DIR='" + home +
           "' exec ./vadrix-cli " + args;
}

// A recorder started with its standard output on a pipe the test reads as it comes.
class Recorder {
  public:
    Recorder(const testing::TempDir& dir, const std::string& args) {
        int out[2];
        if (::pipe(out) != 0) return;
        const std::string command =
            ToolCommand(dir, args) + " 2>>'" + (dir / "run.err").string() + "'";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
        ::fcntl(out_, F_SETFL, O_NONBLOCK);
    }
    ~Recorder() {
        Kill();
        if (out_ >= 0) ::close(out_);
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The complete lines that came since the last call, each with the time it was read.
    void Read(std::vector<std::pair<Seen, Clock::time_point>>& seen) {
        char buf[65536];
        for (ssize_t n; (n = ::read(out_, buf, sizeof buf)) > 0;) pending_.append(buf, n);
        const auto now = Clock::now();
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            Seen s;
            if (ParseLine(pending_.substr(0, end), s)) seen.push_back({s, now});
            pending_.erase(0, end + 1);
        }
    }
    // The recorder's exit status once it ended by itself within the time, else -1.
    int Wait(std::chrono::milliseconds within) {
        const auto until = Clock::now() + within;
        int status = 0;
        while (Clock::now() < until) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

// The recorder's own live log, made beforehand with a small ring: the recorder takes an
// existing log as it is, with the configuration in its header (channel 1 on port 1 in the
// direct variant).
void MakeRing(const std::filesystem::path& file, std::uint32_t blocks) {
    testing::TestContext tc;
    tc->general.ProtocolVariant = 2;
    tc->emse1.P.ComNumber = 1;
    tc->emse1.P.Baud = 9600;
    tc->emse2.P.ComNumber = 0;
    tc->run.LogFilePath = file;
    tc->log.SetRingBlocks(blocks);
    ASSERT_TRUE(tc->log.Create());
    tc->log.Close();
}

// The log read back by the tool: it must open, and its records are numbered without a gap.
std::vector<Seen> ReadBack(const testing::TempDir& dir, const std::string& log) {
    const testing::CliRun info = testing::RunCli(dir, "info " + log);
    EXPECT_EQ(info.exitCode, 0) << info.output;
    const testing::CliRun dump = testing::RunCli(dir, "dump " + log + " --json", false);
    EXPECT_EQ(dump.exitCode, 0) << dump.errors;
    std::vector<Seen> records = ParseLines(dump.output);
    for (std::size_t i = 1; i < records.size(); ++i)
        if (records[i].seq != records[i - 1].seq + 1) {
            ADD_FAILURE() << "record " << records[i].seq << " follows " << records[i - 1].seq;
            break;
        }
    return records;
}

class MachineFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        ASSERT_FALSE(far.device().empty());
        testing::PlaceCliWithTexts(dir);
    }
    // line.st8: the direct variant with channel 1 alone, on port 1.
    void MakeLineSetUp() {
        const testing::CliRun setup = testing::RunCli(
            dir,
            "setup line.st8 general.ProtocolVariant=2 emse1.ComNumber=1 emse1.Baud=9600 "
            "emse2.ComNumber=0");
        ASSERT_EQ(setup.exitCode, 0) << setup.output;
    }
    testing::TempDir dir;
    FarEnd far;
};

// SIGKILL at random moments while the recorder's ring of four blocks wraps, again and again:
// each time the log left behind opens valid, its records follow one another, and it holds
// every record the recorder had shown more than about a second before it was killed. The
// next start continues the log after its last record.
TEST_F(MachineFaultTest, SigkillWhileTheLogWrapsLosesAtMostTheLastSecond) {
    MakeRing(dir / "ring.lg8", 4);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("kill moments of seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uint32_t next = 1;
    long lastSeq = 0;
    for (int round = 0; round < 4; ++round) {
        std::vector<std::pair<Seen, Clock::time_point>> shown;
        {
            Recorder rec(dir, "run ring.lg8 --port 1=" + far.device() + " --json --lang usa");
            // Online: its port-opened record is shown.
            const auto limit = Clock::now() + std::chrono::seconds(10);
            bool online = false;
            while (!online && Clock::now() < limit) {
                rec.Read(shown);
                for (const auto& [s, at] : shown) online = online || s.status == 48;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ASSERT_TRUE(online) << "round " << round << ": " << testing::ReadText(dir / "run.err");
            // The records go on where the log left off.
            EXPECT_EQ(shown.front().first.seq, lastSeq + 1) << "round " << round;
            // About 200 frames a second (a 32 KB block every 0.7 s) until a random moment.
            const auto killAt =
                Clock::now() +
                std::chrono::milliseconds(std::uniform_int_distribution<int>(2000, 4000)(rng));
            while (Clock::now() < killAt) {
                for (int i = 0; i < 4; ++i) far.Send(NumberedFrame(next++));
                rec.Read(shown);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            rec.Read(shown);
            rec.Kill();
        }
        const auto killed = Clock::now();

        std::vector<Seen> log = ReadBack(dir, "ring.lg8");
        ASSERT_FALSE(log.empty()) << "round " << round << "\n"
                                  << testing::RunCli(dir, "info ring.lg8").output;
        lastSeq = log.back().seq;
        long newestKept = -1;
        long previous = -1;
        for (const Seen& s : log) {
            if (s.number < 0) continue;
            EXPECT_GT(s.number, previous) << "round " << round << ", record " << s.seq;
            previous = s.number;
            newestKept = s.number;
        }
        // What was shown a second and a half before the end is in the file.
        long due = -1;
        for (const auto& [s, at] : shown)
            if (at < killed - std::chrono::milliseconds(1500) && s.number >= 0) due = s.number;
        ASSERT_GE(due, 0) << "round " << round << ": no frame was shown in time";
        EXPECT_GE(newestKept, due) << "round " << round;
        // The ring wrapped: the oldest frames are gone, the log still begins with a record.
        if (round > 0) {
            EXPECT_GT(log.front().seq, 1) << "round " << round;
        }
    }
}

// The disk fills up while the recorder logs (a small file system of its own, mounted in a
// mount namespace of the recorder alone): it goes offline with its message, and the log up
// to then opens valid with its records in order.
TEST_F(MachineFaultTest, AFullDiskTakesTheRecorderOfflineAndKeepsTheLogUpToThen) {
    testing::TestContext tc;
    ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    const std::string writeError(tc->Txt(txt::kLogWriteError));
    ASSERT_NO_FATAL_FAILURE(MakeLineSetUp());
    const std::filesystem::path full = dir / "full";
    std::filesystem::create_directory(full);
    const std::string why = (dir / "skip.txt").string();

    // A file system of 1 MiB of which a filler takes all but 64 KiB: room for the header and
    // the first block, not for the second. The log is copied out before the namespace ends.
    const std::string command =
        ToolCommand(dir, "run line.st8 full/live.lg8 --port 1=" + far.device() +
                             " --json --lang usa --duration 10 >out.jsonl 2>run.err");
    const std::string script = "(" + command + "); status=$?; cp '" + (full / "live.lg8").string() +
                               "' '" + (dir / "after.lg8").string() + "'; exit $status";
    // Everything the child needs is made before it is forked.
    const std::string filler = (full / "filler").string();
    const std::vector<char> zeros((1 << 20) - (64 << 10), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const auto refuse = [&](const char* what) {
            char text[256];
            const int n = std::snprintf(text, sizeof text, "%s: %s", what, std::strerror(errno));
            const int fd = ::open(why.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0 && n > 0) [[maybe_unused]]
                const ssize_t w = ::write(fd, text, n);
            ::_exit(77);
        };
        if (::unshare(CLONE_NEWNS) != 0) refuse("no mount namespace");
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            refuse("mounts not private");
        if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=1m") != 0) refuse("no tmpfs");
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, zeros.data(), zeros.size()) != static_cast<ssize_t>(zeros.size()))
            refuse("no filler");
        ::close(fd);
        ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }

    // Frames go out from when the recorder is online until it is offline again.
    std::uint32_t sent = 0;
    const auto start = Clock::now();
    bool exited = false;
    int status = 0;
    while (!exited && Clock::now() - start < std::chrono::seconds(30)) {
        exited = ::waitpid(pid, &status, WNOHANG) == pid;
        const std::string out = testing::ReadText(dir / "out.jsonl");
        const bool online = out.find("\"status\":48,") != std::string::npos;
        const bool offline = out.find("\"status\":49,") != std::string::npos;
        if (online && !offline && sent < 3000) {
            for (int i = 0; i < 2; ++i) far.Send(NumberedFrame(++sent, 60));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(exited);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "this machine refuses a file system of the test's own: "
                     << testing::ReadText(why);
    EXPECT_EQ(WEXITSTATUS(status), 1) << testing::ReadText(dir / "run.err");

    // Offline with the program's message for a log write error, and ended at once rather
    // than idle until its duration.
    const std::string errors = testing::ReadText(dir / "run.err");
    EXPECT_NE(errors.find("error: " + writeError), std::string::npos) << errors;
    const std::vector<Seen> shown = ParseLines(testing::ReadText(dir / "out.jsonl"));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().status, 49) << "the port closed last";
    EXPECT_LT(sent, 3000u) << "the recorder never went offline";

    // The log up to then: valid, a whole first block of numbered frames in order, and none
    // beyond what was shown.
    const std::vector<Seen> log = ReadBack(dir, "after.lg8");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().seq, 1);
    long previous = 0;
    int frames = 0;
    for (const Seen& s : log) {
        if (s.number < 0) continue;
        EXPECT_EQ(s.number, previous + 1) << "record " << s.seq;
        previous = s.number;
        ++frames;
    }
    EXPECT_GE(frames, 300) << "a 32 KB block holds about 340 of these records";
    EXPECT_LE(log.back().seq, shown.back().seq);
}

// The device of the recorder's port goes away while it records (the far end of its
// pseudo-terminal closes): it says which port and why, and ends with exit status 1 instead
// of idling offline until its duration is over.
TEST_F(MachineFaultTest, ARemovedDeviceEndsTheRecorderWithItsMessage) {
    ASSERT_NO_FATAL_FAILURE(MakeLineSetUp());
    Recorder recorder(
        dir, "run line.st8 live.lg8 --port 1=" + far.device() + " --json --lang usa --duration 60");
    std::vector<std::pair<Seen, Clock::time_point>> seen;
    // Waits until the recorder has shown a record of which holds is true.
    const auto shown = [&](auto holds) {
        const auto start = Clock::now();
        while (Clock::now() - start < std::chrono::seconds(10)) {
            recorder.Read(seen);
            if (std::any_of(seen.begin(), seen.end(),
                            [&](const auto& s) { return holds(s.first); }))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    ASSERT_TRUE(shown([](const Seen& s) { return s.status == 48; }))
        << testing::ReadText(dir / "run.err");
    // A frame that the recorder has taken in before the line goes.
    ASSERT_TRUE(far.Send(NumberedFrame(1, 60)));
    ASSERT_TRUE(shown([](const Seen& s) { return s.number == 1; }));

    far.Close();
    EXPECT_EQ(recorder.Wait(std::chrono::seconds(10)), 1) << testing::ReadText(dir / "run.err");
    const std::string errors = testing::ReadText(dir / "run.err");
    EXPECT_NE(errors.find("COM1"), std::string::npos) << errors;
    EXPECT_NE(errors.find("the device went away"), std::string::npos) << errors;
    // What came before the loss is in the log, which the recorder closed as at its end.
    const std::vector<Seen> log = ReadBack(dir, "live.lg8");
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const Seen& s) { return s.number == 1; }));
}

}  // namespace
}  // namespace vadrix
