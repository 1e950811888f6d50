// The output run: text files with their heading and date lines, the export format, new log
// files with fresh numbers, the display filter, progress and cancel, target names and the
// live log's refusal, and the printer's pages.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/Context.h"
#include "app/TimeBase.h"
#include "common/TextIds.h"
#include "filters/Filter.h"
#include "log/LogFileLayout.h"
#include "log/TelLog.h"
#include "output/Output.h"
#include "output/PageCanvas.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

const double kDay = DateSerial(2026, 12, 10);

TTelegram Rec(double time, std::uint8_t source = source::kE1, std::uint8_t st = status::kGood) {
    TTelegram t{};
    t.Status = st;
    t.Kind = kind::kVariable;
    t.Source = source;
    t.FrameLen = 12;
    t.Time = time;
    t.Station = 3;
    for (int i = 0; i < t.FrameLen; ++i) t.Frame[i] = static_cast<std::uint8_t>(0x10 + i);
    return t;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

int CountOf(const std::vector<std::string>& lines, const std::string& s) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), s));
}

class OutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->run.DataDirectory = dir.path();
        tc->run.LogFilePath = dir / "live.lg8";
    }

    // Writes the records with their own numbers and times into a log file and opens it as
    // the live log.
    void UseLog(const std::vector<TTelegram>& recs, std::int32_t firstSeqNo = 1,
                std::uint32_t ringBlocks = 2) {
        {
            TTelLog writer(*tc, TTelLog::Role::kWriter);
            writer.AssignFile(tc->run.LogFilePath);
            writer.SetRingBlocks(ringBlocks);
            ASSERT_TRUE(writer.Create());
            std::int32_t seq = firstSeqNo;
            for (TTelegram t : recs) {
                t.SeqNo = seq++;
                writer.AppendRecord(t);
            }
            ASSERT_TRUE(writer.Finish());
        }
        ASSERT_TRUE(tc->log.Open(tc->run.LogFilePath, false));
    }
    std::vector<TTelegram> Day(int n, double start = 0.5) {
        std::vector<TTelegram> v;
        for (int i = 0; i < n; ++i) v.push_back(Rec(kDay + start + i * 1e-6));
        return v;
    }
    OutputOptions Options(DisplayFormat f = DisplayFormat::afLog) {
        OutputOptions o;
        o.interpret = SettingsFromContext(*tc);
        o.interpret.format = f;
        o.interpret.timeLine = false;
        return o;
    }
    // The records of a log file: numbers and times.
    std::vector<TTelegram> Records(const std::filesystem::path& file) {
        TestContext other;
        other->run.LogFilePath = file;
        EXPECT_TRUE(other->log.Open(file, false));
        std::vector<TTelegram> v;
        other->log.OpenView();
        other->log.ViewToStart();
        if (other->log.ViewRecord().RecLen != 0) {
            do v.push_back(other->log.ViewRecord());
            while (other->log.StepForward());
        }
        dirOfLast = other->log.Directory();
        return v;
    }

    TempDir dir;
    TestContext tc;
    TLogDirectory dirOfLast{};
};

TEST_F(OutputTest, TextFileStartsWithTheHeadingAndEndsWithTheEndText) {
    UseLog(Day(3));
    const auto file = dir / "out.txt";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kTextFile, Options()), OutputResult::kDone);
    const auto lines = ReadLines(file);
    ASSERT_GE(lines.size(), 3u);
    const std::string heading = lines[0];
    EXPECT_EQ(heading.rfind("live.lg8", 0), 0u) << heading;
    EXPECT_NE(heading.find("Date 10.12.2026 Page   1"), std::string::npos) << heading;
    EXPECT_NE(heading.find("Log display, all telegrams, logical, no time"), std::string::npos)
        << heading;
    EXPECT_EQ(heading.find("Date "), 32u);  // the name fills 32 columns
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines.back(), tc->Txt(txt::kOutputEnd));
    EXPECT_EQ(CountOf(lines, ShortDate(kDay)), 0);  // the first day stands in the heading only
}

TEST_F(OutputTest, ALogSpanningMidnightGetsADateLineForTheNewDay) {
    std::vector<TTelegram> recs = Day(2, 0.999);
    recs.push_back(Rec(kDay + 1.0001));
    recs.push_back(Rec(kDay + 1.0002));
    UseLog(recs);
    const auto file = dir / "out.txt";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kTextFile, Options()), OutputResult::kDone);
    const auto lines = ReadLines(file);
    EXPECT_EQ(CountOf(lines, ShortDate(kDay + 1)), 1);
    EXPECT_EQ(CountOf(lines, ShortDate(kDay)), 0);
    EXPECT_NE(lines[0].find(ShortDate(kDay)), std::string::npos);
}

TEST_F(OutputTest, ExportFormatStartsWithItsHeadingAndHasNoEmptyLinesBetweenRecords) {
    UseLog(Day(5));
    const auto file = dir / "out.csv";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kTextFile, Options(DisplayFormat::afCsv)),
              OutputResult::kDone);
    const auto lines = ReadLines(file);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], tc->Txt(txt::kExportHeading));
    EXPECT_EQ(lines[1], "");  // the page's own empty line
    EXPECT_EQ(CountOf(lines, ""), 1);
    EXPECT_EQ(lines.back(), tc->Txt(txt::kOutputEnd));
}

TEST_F(OutputTest, ANewLogFileNumbersItsRecordsFromOne) {
    UseLog(Day(1000), 5001);  // more than one block
    ASSERT_EQ(tc->log.Directory().OldestSeqNo, 5001u);
    const auto file = dir / "copy.lg8";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kLogFile, Options()), OutputResult::kDone);
    const auto recs = Records(file);
    ASSERT_EQ(recs.size(), 1000u);
    for (std::size_t i = 0; i < recs.size(); ++i) {
        ASSERT_EQ(recs[i].SeqNo, static_cast<std::int32_t>(i + 1));
        ASSERT_EQ(recs[i].Time, kDay + 0.5 + static_cast<double>(i) * 1e-6);
    }
    EXPECT_EQ(dirOfLast.OldestSeqNo, 1u);
    EXPECT_EQ(dirOfLast.NewestSeqNo, 1000u);
    EXPECT_GE(dirOfLast.BlocksInUse, 2u);
    EXPECT_EQ(tc->log.Directory().OldestSeqNo, 5001u);  // the live log is left as it was
    EXPECT_FALSE(tc->run.LogErrorFlag);
}

TEST_F(OutputTest, TheDisplayFilterSelectsButProgressCountsTheWholeLog) {
    std::vector<TTelegram> recs;
    for (int i = 0; i < 1000; ++i)
        recs.push_back(Rec(kDay + 0.5, i % 2 == 0 ? source::kE1 : source::kS1));
    UseLog(recs);
    TFilterRecord& f = tc->general.DisplayFilter;
    f.SourceMask = 2;  // S1 only: the even record numbers
    PrepareFilter(f);
    f.FilterOn = 1;
    OutputOptions o = Options();
    std::vector<int> percents;
    o.progress = [&](int p) {
        percents.push_back(p);
        return false;
    };
    const auto file = dir / "sel.lg8";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kLogFile, o), OutputResult::kDone);
    const auto out = Records(file);
    ASSERT_EQ(out.size(), 500u);
    EXPECT_EQ(out.front().Source, source::kS1);
    EXPECT_EQ(out.back().SeqNo, 500);
    // Updates at the passing record numbers 2, 104, 206, ... 920 of the whole log's 1000.
    ASSERT_GE(percents.size(), 9u);
    EXPECT_EQ(percents[0], 0);
    EXPECT_EQ(percents[1], 10);
    EXPECT_EQ(percents.back(), 92);  // record 920
}

TEST_F(OutputTest, AFilterNothingPassesWritesNoRecord) {
    UseLog(Day(3));
    TFilterRecord& f = tc->general.DisplayFilter;
    f.SourceMask = 8;
    PrepareFilter(f);
    f.FilterOn = 1;
    const auto file = dir / "none.lg8";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kLogFile, Options()), OutputResult::kDone);
    EXPECT_TRUE(Records(file).empty());
}

TEST_F(OutputTest, CancelAfterProgressKeepsWhatWasWritten) {
    UseLog(Day(1000));
    OutputOptions o = Options();
    int calls = 0;
    o.progress = [&](int) { return ++calls == 2; };
    const auto log = dir / "part.lg8";
    ASSERT_EQ(WriteLog(*tc, log, OutputKind::kLogFile, o), OutputResult::kCancelled);
    EXPECT_EQ(Records(log).size(), 102u);  // records 1 to 102: the second update cancels
    EXPECT_EQ(dirOfLast.NewestSeqNo, 102u);

    calls = 0;
    const auto text = dir / "part.txt";
    ASSERT_EQ(WriteLog(*tc, text, OutputKind::kTextFile, o), OutputResult::kCancelled);
    const auto lines = ReadLines(text);
    EXPECT_EQ(lines.back(), tc->Txt(txt::kOutputCancelled));
    EXPECT_EQ(CountOf(lines, std::string(tc->Txt(txt::kOutputEnd))), 0);
}

TEST_F(OutputTest, TheLiveLogIsNeverTheTarget) {
    UseLog(Day(3));
    const auto before = ReadFileBytes(tc->run.LogFilePath);
    for (const char* name : {"live.lg8", "LIVE.LG8"}) {
        tc.ui.messages.clear();
        for (OutputKind k : {OutputKind::kTextFile, OutputKind::kLogFile})
            EXPECT_EQ(WriteLog(*tc, dir / name, k, Options()), OutputResult::kLiveLogTarget);
        ASSERT_EQ(tc.ui.messages.size(), 2u);
        EXPECT_EQ(tc.ui.messages[0].text, tc->Txt(txt::kOutputIsLiveLog));
    }
    tc->log.FlushNow();
    EXPECT_EQ(ReadFileBytes(tc->run.LogFilePath), before);
}

TEST_F(OutputTest, ATargetThatCannotBeCreatedEndsAtOnce) {
    UseLog(Day(3));
    const auto missing = dir / "no/such/folder/out.txt";
    EXPECT_EQ(WriteLog(*tc, missing, OutputKind::kTextFile, Options()),
              OutputResult::kTargetFailed);
    EXPECT_EQ(WriteLog(*tc, dir / "no/such/out.lg8", OutputKind::kLogFile, Options()),
              OutputResult::kTargetFailed);
    EXPECT_FALSE(tc->run.LogErrorFlag);  // the live log did not fail
    EXPECT_FALSE(tc->log.ViewOpen());
}

// Another program cuts the log short while it is written out, inside a block, between two
// or before the first: the output says that it could not read it all, once, and the text file keeps
// what was read, finished with the end text.
TEST_F(OutputTest, ALogCutShortUnderTheOutputIsAReadFailureThatKeepsWhatWasRead) {
    const std::uintmax_t cuts[] = {kLogBlocksStart + kLogBlockSize + 100,
                                   kLogBlocksStart + kLogBlockSize, 1000};
    for (const std::uintmax_t cut : cuts) {
        SCOPED_TRACE(cut);
        tc->run.LogFilePath = dir / ("cut" + std::to_string(cut) + ".lg8");
        UseLog(Day(2500), 1, 8);
        ASSERT_GE(tc->log.Directory().CurrentBlock, 2u) << "the records fill several blocks";
        const auto whole = dir / "whole.txt";
        ASSERT_EQ(WriteLog(*tc, whole, OutputKind::kTextFile, Options()), OutputResult::kDone);
        tc.ui.messages.clear();

        ASSERT_TRUE(tc->log.OpenView());
        std::filesystem::resize_file(tc->run.LogFilePath, cut);
        const auto part = dir / "part.txt";
        EXPECT_EQ(WriteLog(*tc, part, OutputKind::kTextFile, Options()),
                  OutputResult::kLogReadFailed);
        const std::vector<std::string> all = ReadLines(whole);
        const std::vector<std::string> read = ReadLines(part);
        EXPECT_LT(read.size(), all.size());
        EXPECT_GT(read.size(), 20u) << "the block in memory is still written";
        EXPECT_EQ(read.back(), all.back());
        ASSERT_EQ(tc.ui.messages.size(), 1u);
        EXPECT_NE(tc.ui.messages[0].text.find(tc->Txt(txt::kLogReadError)), std::string::npos);
        tc->log.CloseView();
    }
}

TEST_F(OutputTest, AnEmptyLogGivesTheHeadingAndTheEndText) {
    UseLog({});
    const auto file = dir / "empty.txt";
    ASSERT_EQ(WriteLog(*tc, file, OutputKind::kTextFile, Options()), OutputResult::kDone);
    const auto lines = ReadLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], tc->Txt(txt::kOutputEnd));
}

TEST(OutputTargetName, FolderAndExtensionRules) {
    TestContext tc;
    tc->run.DataDirectory = "/data/vadrix/";
    tc->texts.ReplaceTxt(txt::kLogFileExt, ".lg8");
    struct Case {
        const char* typed;
        OutputKind kind;
        const char* expected;
    };
    const Case cases[] = {
        {"out", OutputKind::kTextFile, "/data/vadrix/out.txt"},
        {"out.csv", OutputKind::kTextFile, "/data/vadrix/out.csv"},
        {"/tmp/out", OutputKind::kTextFile, "/tmp/out.txt"},
        {"sub/out.txt", OutputKind::kTextFile, "sub/out.txt"},
        {"copy", OutputKind::kLogFile, "/data/vadrix/copy.lg8"},
        {"copy.txt", OutputKind::kLogFile, "/data/vadrix/copy.lg8"},
        {"/tmp/copy.old.lg8", OutputKind::kLogFile, "/tmp/copy.old.lg8"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OutputTargetName(*tc, c.typed, c.kind).string(), c.expected) << c.typed;
}

// A printer that keeps what was drawn, page by page.
class FakeCanvas : public PageCanvas {
  public:
    bool BeginJob() override { return pages.emplace_back(), true; }
    int PageHeight() const override { return height; }
    int PixelsPerInchX() const override { return 300; }
    int PixelsPerInchY() const override { return 200; }
    int TextHeight(std::string_view) const override { return 10; }
    void DrawText(int x, int y, std::string_view text) override {
        EXPECT_EQ(x, 100);
        pages.back().push_back({y, std::string(text)});
    }
    void NewPage() override { pages.emplace_back(); }
    bool EndJob() override {
        ended = true;
        return true;
    }
    void AbortJob() override { aborted = true; }

    int height = 1000;  // the top margin is 100, the bottom limit the height less 100
    std::vector<std::vector<std::pair<int, std::string>>> pages;
    bool ended = false;
    bool aborted = false;
};

TEST_F(OutputTest, ThePrinterBeginsANewPageWithItsHeadingBelowTheBottomLimit) {
    std::vector<TTelegram> recs = Day(2, 0.9);
    for (double d = 1; d <= 12; ++d) recs.push_back(Rec(kDay + d + 0.5));  // a date line each
    UseLog(recs);
    FakeCanvas canvas;
    canvas.height = 300;  // top 100, bottom limit 200: y 100 to 200 gives 11 lines a page
    OutputOptions o = Options();
    o.printer = &canvas;
    ASSERT_EQ(WriteLog(*tc, "", OutputKind::kPrinter, o), OutputResult::kDone);
    EXPECT_TRUE(canvas.ended);
    ASSERT_GE(canvas.pages.size(), 2u);
    for (std::size_t p = 0; p < canvas.pages.size(); ++p) {
        const auto& page = canvas.pages[p];
        ASSERT_GE(page.size(), 2u);
        EXPECT_EQ(page[0].first, 100);
        EXPECT_NE(
            page[0].second.find("Page " + std::string(p < 9 ? "  " : " ") + std::to_string(p + 1)),
            std::string::npos)
            << page[0].second;
        EXPECT_LE(page.size(), 11u);
    }
    EXPECT_EQ(canvas.pages.back().back().second, tc->Txt(txt::kOutputEnd));
}

TEST_F(OutputTest, CancellingAPrintAbortsTheJob) {
    UseLog(Day(300));
    FakeCanvas canvas;
    canvas.height = 100000;
    OutputOptions o = Options();
    o.printer = &canvas;
    o.progress = [](int p) { return p > 0; };
    ASSERT_EQ(WriteLog(*tc, "", OutputKind::kPrinter, o), OutputResult::kCancelled);
    EXPECT_TRUE(canvas.aborted);
    EXPECT_FALSE(canvas.ended);
}

}  // namespace
}  // namespace vadrix::testing
