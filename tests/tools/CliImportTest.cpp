// vadrix-cli import: captures framed as a live channel frames them. The timed captures give
// the bytes at the arrival times of the framer's own deadline cases at 9600 baud: loose bytes
// complete 66 ms after the last one, a frame 374 ms after it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRun.h"
#include "LogFixtures.h"

namespace vadrix::testing {
namespace {

class CliImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        PlaceCliWithTexts(dir);
        MakeMixedLog(dir / "setup.lg8");  // variant 2, both channels at 9600 baud, station 1
    }
    CliRun Import(const std::string& capture, const std::string& options = "") {
        dir.Write("capture.txt", capture);
        return RunCli(dir, "import capture.txt new.lg8 --settings setup.lg8 " + options, false);
    }
    std::vector<int> Statuses() { return LogStatuses(dir / "new.lg8"); }
    std::vector<int> Lengths() {
        std::vector<int> v;
        for (const TTelegram& t : LogRecords(dir / "new.lg8")) v.push_back(t.FrameLen);
        return v;
    }

    TempDir dir;
};

// Station 1, sequence number 1, telegram number 0x20: no byte of it is a start byte.
const std::string kFrame = "68 06 06 68 01 01 20 00 33 5A AF 16";

TEST_F(CliImportTest, TimedCapturesFireTheDeadlinesAtTheirArrivalTimes) {
    struct Case {
        const char* what;
        std::string capture;
        std::vector<int> statuses;
        std::vector<int> lengths;
    };
    const Case cases[] = {
        {"a whole frame", "0 " + kFrame + "\n", {40}, {12}},
        {"a frame in two blocks within the frame gap",
         "0 68 06 06 68 01 01\n373 20 00 33 5A AF 16\n",
         {40},
         {12}},
        {"a frame in two blocks past the frame gap",
         "0 68 06 06 68 01 01\n374 20 00 33 5A AF 16\n",
         {8, 5},
         {6, 6}},
        {"a loose byte joined before its deadline", "0 01\n65 02\n", {5}, {2}},
        {"a loose byte completed at its deadline", "0 01\n66 02\n", {5, 5}, {1, 1}},
        {"an unequal length ends the frame, loose bytes then a fixed frame",
         "# comment\n\n0 68 03 04 68 01 02\n1000 10 01 02 03 16\n",
         {8, 5, 40},
         {4, 2, 5}},
        {"forty loose bytes",
         "0 " +
             std::string(40 * 3, ' ')
                 .replace(0, 0,
                          [] {
                              std::string s;
                              for (int i = 0; i < 40; ++i) s += "01 ";
                              return s;
                          }()) +
             "\n",
         {5, 5},
         {36, 4}},
        {"hex without blanks", "0 680606680101\n100 2000335AAF16\n", {40}, {12}},
    };
    for (const Case& c : cases) {
        const CliRun r = Import(c.capture, "--channel 2");
        ASSERT_EQ(r.exitCode, 0) << c.what << "\n" << r.errors;
        EXPECT_EQ(Statuses(), c.statuses) << c.what;
        EXPECT_EQ(Lengths(), c.lengths) << c.what;
    }
}

TEST_F(CliImportTest, RawBytesAreOneStreamCompletedAtTheEnd) {
    std::string raw;
    for (std::string hex : {kFrame, std::string("10 01 02 03 16"), kFrame}) {
        for (std::size_t i = 0; i < hex.size(); i += 3)
            raw.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    raw[raw.size() - 2] ^= 0x01;  // the last frame's checksum is wrong
    raw.append(300, '\x01');      // loose bytes over more than one block of 269
    const CliRun r = Import(raw, "--channel 2");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(Statuses(), (std::vector<int>{40, 40, 28, 5, 5, 5, 5, 5, 5, 5, 5, 5}));
    EXPECT_EQ(r.output, "12 records stored in new.lg8\n");
}

TEST_F(CliImportTest, StampsFollowTheCaptureFromItsStartAndTheChannelGivesTheSource) {
    const CliRun r = Import("0 01\n86400000 02\n", "--start 2026-12-10T23:00:00.500");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const auto recs = LogRecords(dir / "new.lg8");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].Source, source::kE1);
    const CliRun info = RunCli(dir, "info new.lg8", false);
    EXPECT_NE(info.output.find("first:           10.12.2026 23:00:00.566"), std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("last:            11.12.2026 23:00:00.566"), std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("protocol:        variant 2"), std::string::npos) << info.output;
}

TEST_F(CliImportTest, ErrorsGiveAMessageAndAnExitCode) {
    struct Case {
        std::string capture;
        std::string options;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"0 01\n", "--variant 3", 2, "--variant takes 0, 1 or 2"},
        {"0 01\n", "--variant 0 --channel 2", 2, "the device is on channel 1"},
        {"0 01\n", "--channel 3", 2, "--channel takes 1 or 2"},
        {"0 01\n", "--start yesterday", 2, "--start takes"},
        {"0 01\n", "--raw --timed", 2, "exclude each other"},
        {"0 01\n5 0x\n", "--timed", 1, "capture.txt:2: not a line"},
        {"10 01\n5 02\n", "", 1, "capture.txt:2: the time goes back"},
    };
    for (const Case& c : cases) {
        const CliRun r = Import(c.capture, c.options);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.options << "\n" << r.errors;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.options << "\n" << r.errors;
    }
    dir.Write("capture.txt", "0 01\n");
    CliRun r = RunCli(dir, "import missing.txt new.lg8", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("missing.txt: no such file"), std::string::npos) << r.errors;
    r = RunCli(dir, "import . new.lg8", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find(".: not a file"), std::string::npos) << r.errors;
    r = RunCli(dir, "import capture.txt new.lg8 --settings capture.txt", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("neither a send telegram file nor a log file"), std::string::npos);
    const auto before = ReadFileBytes(dir / "setup.lg8");
    r = RunCli(dir, "import capture.txt setup --settings setup.lg8", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(dir / "setup.lg8"), before);
}

}  // namespace
}  // namespace vadrix::testing
