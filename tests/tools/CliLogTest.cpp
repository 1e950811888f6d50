// vadrix-cli on logs made by the tests: info, dump in several formats, copy, filters, and
// the errors with their exit codes. The log the tool reads is never changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "LogFixtures.h"
#include "filters/Filter.h"

namespace vadrix::testing {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

class CliLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveLanguageFiles()) GTEST_SKIP() << "no language files";
        PlaceCliWithTexts(dir);
        MakeMixedLog(dir / "mixed.lg8");
    }
    CliRun Run(const std::string& args) { return RunCli(dir, args, false); }

    TempDir dir;
};

TEST_F(CliLogTest, InfoShowsDirectoryTimesAndTheRecordedSetUp) {
    const CliRun r = Run("info mixed.lg8");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::string expected =
        "file:            mixed.lg8\n"
        "header:          2000 bytes, length in use 34896\n"
        "blocks:          2 in the ring, oldest 0, current 0, 1 in use\n"
        "records:         15 (numbers 1 to 15)\n"
        "first:           10.12.2026 23:59:58.000\n"
        "last:            11.12.2026 00:00:05.000\n"
        "protocol:        variant 2, traffic kind 0, data sync 1, log size 1\n";
    EXPECT_EQ(r.output.substr(0, expected.size()), expected) << r.output;
    EXPECT_NE(r.output.find("channel 2:       port 2, baud 9600, 8-E-1, function 0"),
              std::string::npos)
        << r.output;
}

TEST_F(CliLogTest, TheLogReadIsNeverChangedEvenWhenUnfinished) {
    MakeMixedLog(dir / "open.lg8", false);  // as a running program leaves it
    const auto before = ReadFileBytes(dir / "open.lg8");
    for (const char* args : {"info open.lg8", "dump open.lg8 -f 6 -o out.txt", "dump open.lg8",
                             "copy open.lg8 copy.lg8"})
        EXPECT_EQ(Run(args).exitCode, 0) << args;
    EXPECT_EQ(ReadFileBytes(dir / "open.lg8"), before);
    const CliRun info = Run("info open.lg8");
    EXPECT_NE(info.output.find("(not finished)"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("records:         15"), std::string::npos) << info.output;
    // No private copy is left behind.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find("vadrix-cli-"), std::string::npos) << e.path();
}

TEST_F(CliLogTest, DumpWritesHeadingDateLineAndEndInEachFormat) {
    for (int format = 2; format <= 8; ++format) {
        const CliRun r = Run("dump mixed.lg8 --lang usa -f " + std::to_string(format));
        ASSERT_EQ(r.exitCode, 0) << format << r.errors;
        const auto lines = Lines(r.output);
        ASSERT_GE(lines.size(), 3u) << format;
        if (format == 7) {
            EXPECT_EQ(lines[0], "No;Source;;Date;Time;ms;Kind;Status;Data");
        } else {
            EXPECT_EQ(lines[0].rfind("mixed.lg8", 0), 0u) << lines[0];
            EXPECT_NE(lines[0].find("Date 12/10/2026 Page   1"), std::string::npos) << lines[0];
        }
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "12/11/2026"), 1) << format;
        EXPECT_EQ(lines.back(), "*** End of output ***");
    }
}

TEST_F(CliLogTest, DumpToAFileEqualsDumpToStandardOutput) {
    for (const std::string args : {"-f 5 --time --lang usa", "-f 8 --json --lang ger"}) {
        const CliRun out = Run("dump mixed.lg8 " + args);
        ASSERT_EQ(out.exitCode, 0) << args << out.errors;
        ASSERT_EQ(Run("dump mixed.lg8 " + args + " -o dump.txt").exitCode, 0) << args;
        EXPECT_EQ(ReadText(dir / "dump.txt"), out.output) << args;
    }
    const CliRun out = Run("dump mixed.lg8 -f 5 --time --lang usa");
    EXPECT_NE(out.output.find("hex/BCD, with time"), std::string::npos) << out.output;
    // JSON Lines: one object for each of the 15 records, nothing else.
    const auto lines = Lines(Run("dump mixed.lg8 --json").output);
    ASSERT_EQ(lines.size(), 15u);
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("{\"seq\":", 0), 0u) << l;
}

TEST_F(CliLogTest, ACopyDumpsLikeItsOriginal) {
    const CliRun c = Run("copy mixed.lg8 copied");
    ASSERT_EQ(c.exitCode, 0) << c.errors;
    EXPECT_EQ(c.output, "copied.lg8\n");
    EXPECT_EQ(LogStatuses(dir / "copied.lg8"), LogStatuses(dir / "mixed.lg8"));
    for (const char* f : {"3", "6", "7"}) {
        auto a = Lines(Run(std::string("dump mixed.lg8 -f ") + f).output);
        auto b = Lines(Run(std::string("dump copied.lg8 -f ") + f).output);
        ASSERT_EQ(a.size(), b.size()) << f;
        ASSERT_FALSE(a.empty());
        // The heading names the file; everything else is the same.
        EXPECT_EQ(std::vector(a.begin() + 1, a.end()), std::vector(b.begin() + 1, b.end())) << f;
    }
}

TEST_F(CliLogTest, AFilterFileSelectsTheRecordsOfDumpAndCopy) {
    TFilterRecord f;
    f.SourceMask = 1;  // E1 only; the event passes as events do
    PrepareFilter(f);
    ASSERT_TRUE(SaveFilterFile(dir / "e1.flt", f));
    ASSERT_EQ(Run("copy mixed.lg8 e1.lg8 --filter e1.flt").exitCode, 0);
    EXPECT_EQ(LogStatuses(dir / "e1.lg8"), (std::vector<int>{48, 40, 40, 40, 40, 40, 40}));
    const CliRun r = Run("dump mixed.lg8 --filter e1.flt --lang usa");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Log display, filtered"), std::string::npos) << r.output;
}

TEST_F(CliLogTest, ErrorsGiveAMessageAndAnExitCode) {
    dir.Write("text.lg8", "this is no log\n");
    dir.Write("empty.lg8", "");
    dir.Write("bad.flt", std::string(211, '\0'));
    struct Case {
        std::string args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"dump missing.lg8", 1, "missing.lg8: no such file"},
        {"info text.lg8", 1, "text.lg8: not a log file"},
        {"dump empty.lg8", 1, "empty.lg8: not a log file"},
        {"copy . new.lg8", 1, ".: not a log file"},
        {"dump mixed.lg8 -f 9", 2, "--format takes a number from 2 to 8"},
        {"dump mixed.lg8 --colour", 2, "unknown option '--colour'"},
        {"dump mixed.lg8 -o", 2, "option '-o' needs a value"},
        {"dump", 2, "dump takes one LOG"},
        {"copy mixed.lg8", 2, "copy takes LOG and NEW"},
        {"dump mixed.lg8 --lang fra", 1, "--lang takes ger or usa"},
        {"dump mixed.lg8 --filter bad.flt", 1, "bad.flt: not a filter file"},
        {"dump mixed.lg8 --descriptions none.txt", 1, "none.txt: cannot read"},
        {"dump mixed.lg8 -o no/such/dir/out.txt", 1, "out.txt: cannot be created"},
        {"dump mixed.lg8 --pdf no/such/dir/out.pdf", 1, "out.pdf: cannot be created"},
        {"dump mixed.lg8 --pdf a.pdf --json", 2, "--pdf goes with neither --output nor --json"},
        {"dump mixed.lg8 --lang usa --pdf mixed.lg8", 1, "cannot be the target"},
        {"frobnicate", 2, "unknown command 'frobnicate'"},
    };
    for (const Case& c : cases) {
        const CliRun r = Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args << "\n" << r.errors;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << c.args << "\n" << r.errors;
    }
}

// The printer's pages, headless: a PDF whose text is the heading and the lines of the dump.
TEST_F(CliLogTest, DumpIntoAPdfGivesThePrintedPages) {
    const CliRun r = Run("dump mixed.lg8 --lang usa -f 3 --pdf report.pdf");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::string pdf = ReadFileText(dir / "report.pdf");
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    if (std::system("command -v pdftotext > /dev/null") != 0)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const std::string text = (dir / "report.txt").string();
    ASSERT_EQ(
        std::system(
            ("pdftotext -layout '" + (dir / "report.pdf").string() + "' '" + text + "'").c_str()),
        0);
    const std::string pages = ReadFileText(text);
    for (const std::string& line : Lines(Run("dump mixed.lg8 --lang usa -f 3").output)) {
        const auto word = line.find_first_not_of(' ');
        if (word == std::string::npos || line.find("Page") != std::string::npos) continue;
        const std::string first = line.substr(word, line.find(' ', word) - word);
        EXPECT_NE(pages.find(first), std::string::npos) << first;
    }
    EXPECT_NE(pages.find("mixed.lg8"), std::string::npos) << pages;
}

TEST_F(CliLogTest, TheLogReadIsNeverTheTarget) {
    const auto before = ReadFileBytes(dir / "mixed.lg8");
    for (const char* args :
         {"dump mixed.lg8 --lang usa -o mixed.lg8", "copy mixed.lg8 mixed.lg8 --lang usa",
          "copy mixed.lg8 ./mixed --lang usa", "dump mixed.lg8 -o MIXED.lg8"}) {
        const CliRun r = Run(args);
        if (std::string(args).find("MIXED") != std::string::npos) {
            // Another name on a file system that tells case apart: allowed, a new file.
            EXPECT_EQ(r.exitCode, 0) << args;
            continue;
        }
        EXPECT_EQ(r.exitCode, 1) << args;
        EXPECT_NE(r.errors.find("cannot be the target"), std::string::npos) << r.errors;
    }
    EXPECT_EQ(ReadFileBytes(dir / "mixed.lg8"), before);
}

TEST_F(CliLogTest, HelpDescribesEveryCommand) {
    const CliRun all = Run("--help");
    EXPECT_EQ(all.exitCode, 0);
    for (const char* command : {"dump", "copy", "info", "import", "status"}) {
        EXPECT_NE(all.output.find(command), std::string::npos) << command;
        const CliRun r = Run(std::string(command) + " --help");
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_EQ(r.output.rfind(std::string("usage: vadrix-cli ") + command, 0), 0u) << r.output;
    }
    EXPECT_EQ(Run("").exitCode, 2);
}

}  // namespace
}  // namespace vadrix::testing

namespace vadrix::testing {
namespace {

// The whole text of dump for the mixed log, and its JSON lines, against files kept beside
// the tests. With
// VADRIX_UPDATE_GOLDEN set the files are written instead, to be read and committed.
TEST_F(CliLogTest, DumpMatchesItsGoldenText) {
    const std::filesystem::path golden =
        std::filesystem::path(VADRIX_SOURCE_DIR) / "tests/tools/golden";
    for (const char* args : {"-f 3 --lang usa", "-f 6 --lang usa --time", "-f 7 --lang ger",
                             "-f 3 --lang ger --json"}) {
        const CliRun r = Run(std::string("dump mixed.lg8 ") + args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        std::string name = std::string("mixed") + args + ".txt";
        std::replace(name.begin(), name.end(), ' ', '_');
        if (std::getenv("VADRIX_UPDATE_GOLDEN") != nullptr) {
            std::filesystem::create_directories(golden);
            std::ofstream(golden / name, std::ios::binary) << r.output;
            continue;
        }
        EXPECT_EQ(r.output, ReadText(golden / name)) << name;
    }
}

}  // namespace
}  // namespace vadrix::testing
