// The dump pipeline against the program's own text output: whatever the block size and the
// number of workers, the bytes are those of the sequential run, including the " d=" part of
// the first header line of every block, the date lines and the display filter. The JSON
// lines carry the record and the same lines.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>

#include "DumpPipeline.h"
#include "JsonRecord.h"
#include "common/TextTable.h"
#include "filters/Filter.h"
#include "interpret/LineGenerator.h"
#include "log/LogFileLayout.h"
#include "log/TelLog.h"
#include "output/Output.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

using cli::DumpPipelineOptions;
using cli::DumpSink;

// Variant 2 records of every kind the output treats apart: good and faulty telegrams of
// every source, loose bytes, port events, free texts and value lists, across several days.
TTelegram RandomRecord(std::mt19937& rng, int i) {
    TTelegram t{};
    t.SeqNo = i + 1;
    t.Time = 46366.9 + i * 0.0005;  // a day change every 2000 records
    t.Source = static_cast<std::uint8_t>(1 + rng() % 4);
    t.Kind = kind::kVariable;
    t.Status = status::kGood;
    const int data = 1 + static_cast<int>(rng() % 9);
    t.FrameLen = static_cast<std::int16_t>(10 + data);
    for (int b = 0; b < t.FrameLen; ++b) t.Frame[b] = static_cast<std::uint8_t>(rng());
    t.Frame[0] = t.Frame[3] = 0x68;
    t.LenCode = static_cast<std::uint8_t>(rng() % 8);
    t.TelNo = static_cast<std::uint16_t>(rng() % 1024);
    switch (rng() % 12) {
        case 0:
            t.Status = 28;
            break;
        case 1:
            t.Status = 5;
            t.Kind = 0;
            break;
        case 2:
            t.Kind = kind::kEvent;
            t.Status = status::kPortOpened;
            t.FrameLen = 48;
            break;
        case 3:
            t.Kind = kind::kEvent;
            t.Status = status::kFreeText;
            t.Source = 0;
            t.FrameLen = 6;
            t.Frame[0] = 5;
            std::memcpy(t.Frame + 1, "R\xE9set", 5);  // a CP1252 text
            break;
        case 4:
            t.Kind = kind::kValueList;
            t.Frame[7] = static_cast<std::uint8_t>(2 + rng() % 12);
            t.FrameLen = 40;
            break;
        default:
            break;
    }
    return t;
}

class DumpPipelineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string lang = std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa";
        tc->texts.LoadFile(lang);
        tc->settings.Language = 1;
        ASSERT_TRUE(tc->log.OpenForReading(WriteMixed("mixed.lg8", 1)));
    }

    std::filesystem::path WriteMixed(const std::string& name, std::uint32_t ringBlocks) {
        const auto file = dir / name;
        TestContext writerCtx;
        writerCtx->general.ProtocolVariant = 2;
        TTelLog writer(*writerCtx, TTelLog::Role::kWriter);
        writer.AssignFile(file);
        writer.SetRingBlocks(ringBlocks);
        writer.Create();
        std::mt19937 rng(5);
        for (int i = 0; i < 5000; ++i) writer.AppendRecord(RandomRecord(rng, i));
        writer.Finish();
        return file;
    }

    InterpretSettings Settings(int format, bool timeLine) {
        InterpretSettings s = SettingsFromLogHeader(*tc, tc->log.Header());
        s.format = DisplayFormatFromNumber(format);
        s.timeLine = timeLine;
        return s;
    }

    std::string Sequential(const InterpretSettings& s,
                           OutputResult expected = OutputResult::kDone) {
        OutputOptions o;
        o.interpret = s;
        o.headingName = "mixed.lg8";
        const auto path = dir / "sequential.txt";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_EQ(WriteLogText(*tc, f, o), expected);
        std::fclose(f);
        return ReadFileText(path);
    }

    std::string Pipelined(const InterpretSettings& s, std::size_t block, int workers,
                          bool json = false, OutputResult expected = OutputResult::kDone,
                          std::function<bool(int)> progress = {}) {
        DumpPipelineOptions o;
        o.interpret = s;
        o.textFrame = !json;
        o.headingName = "mixed.lg8";
        o.blockRecords = block;
        o.workers = workers;
        o.makeRenderer = [&] {
            return json ? cli::MakeJsonRenderer(*tc, nullptr, o.interpret)
                        : cli::MakeTextRenderer(*tc, nullptr, o.interpret);
        };
        std::string out;
        const DumpSink sink = [&](std::string_view bytes) {
            out += bytes;
            return true;
        };
        o.progress = std::move(progress);
        EXPECT_EQ(cli::RunDumpPipeline(*tc, sink, o), expected);
        return out;
    }

    TempDir dir;
    TestContext tc;
};

TEST_F(DumpPipelineTest, EveryBlockSizeAndWorkerCountWritesTheSequentialBytes) {
    struct Case {
        std::size_t block;
        int workers;
    };
    const Case cases[] = {{1, 2}, {2, 3}, {7, 1}, {64, 2}, {100000, 2}};
    for (int format = 2; format <= 8; ++format)
        for (const bool timeLine : {false, true}) {
            const InterpretSettings s = Settings(format, timeLine);
            const std::string expected = Sequential(s);
            ASSERT_GT(expected.size(), 100000u);
            for (const Case& c : cases)
                EXPECT_EQ(Pipelined(s, c.block, c.workers), expected)
                    << "format " << format << ", time line " << timeLine << ", blocks of "
                    << c.block << ", " << c.workers << " workers";
        }
}

TEST_F(DumpPipelineTest, TheDisplayFilterSelectsTheSameRecords) {
    TFilterRecord f;
    f.SourceMask = 1 | 4;  // E1 and E2; events pass as events do
    f.ShowFaulty = 1;      // faulty telegrams only
    PrepareFilter(f);
    f.FilterOn = 1;
    tc->general.DisplayFilter = f;
    const InterpretSettings s = Settings(3, false);
    const std::string expected = Sequential(s);
    EXPECT_NE(expected.find("filtered"), std::string::npos);
    EXPECT_EQ(Pipelined(s, 3, 2), expected);
}

// Another program cuts the log short under the dump: the pipeline writes what it could read,
// as the sequential output does, and says that it could not read it all.
TEST_F(DumpPipelineTest, ALogCutShortUnderTheDumpIsAReadFailureWithTheSequentialBytes) {
    const auto file = WriteMixed("long.lg8", 64);
    ASSERT_TRUE(tc->log.OpenForReading(file));
    ASSERT_GE(tc->log.Directory().CurrentBlock, 3u);
    ASSERT_TRUE(tc->log.OpenView());
    std::filesystem::resize_file(file, kLogBlocksStart + 2 * kLogBlockSize + 100);
    const InterpretSettings s = Settings(3, false);
    const std::string expected = Sequential(s, OutputResult::kLogReadFailed);
    EXPECT_EQ(Pipelined(s, 64, 2, false, OutputResult::kLogReadFailed), expected);
    EXPECT_EQ(tc.ui.messages.size(), 1u) << "the read error is told once";
}

// Cancelled after the third block: what was written stands, and the cancel text ends it.
TEST_F(DumpPipelineTest, ACancelledDumpEndsWithTheCancelText) {
    const InterpretSettings s = Settings(3, false);
    const std::string whole = Pipelined(s, 100, 2);
    int calls = 0;
    std::vector<int> percents;
    const std::string cut = Pipelined(s, 100, 2, false, OutputResult::kCancelled, [&](int percent) {
        percents.push_back(percent);
        return ++calls == 3;
    });
    const std::string end = std::string(tc->Txt(1171)) + "\n";
    ASSERT_TRUE(cut.ends_with(end)) << cut.substr(cut.size() - 200);
    EXPECT_EQ(whole.rfind(cut.substr(0, cut.size() - end.size()), 0), 0u);
    EXPECT_EQ(percents, (std::vector<int>{2, 4, 6}));  // 300 of 5000 records
}

TEST_F(DumpPipelineTest, JsonLinesCarryTheRecordAndItsLines) {
    const InterpretSettings s = Settings(3, false);
    const std::string whole = Pipelined(s, 100000, 1, true);
    EXPECT_EQ(Pipelined(s, 5, 3, true), whole);  // the " d=" parts as in one run

    std::istringstream in(whole);
    LineGenerator gen(*tc, nullptr);
    tc->log.OpenView();
    tc->log.ViewToStart();
    double previous = 0;
    int n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        const auto j = nlohmann::json::parse(line);  // throws on anything but valid UTF-8 JSON
        const TTelegram& rec = tc->log.ViewRecord();
        EXPECT_EQ(j["seq"], rec.SeqNo);
        EXPECT_EQ(j["no"], n + 1);
        EXPECT_EQ(j["time"], rec.Time);
        EXPECT_EQ(j["status"], rec.Status);
        if (rec.Status != status::kPortOpened) {
            EXPECT_EQ(j["statusText"], Cp1252ToUtf8(tc->Txt(432 + rec.Status)));
        }
        EXPECT_EQ(j["source"], rec.Source);
        EXPECT_EQ(j["kind"], rec.Kind);
        EXPECT_EQ(j["telNo"], rec.TelNo);
        EXPECT_EQ(j["frame"].get<std::string>().size(), 2u * static_cast<unsigned>(rec.FrameLen));
        gen.Prepare(s, rec, previous, n + 1);
        std::vector<std::string> lines;
        for (std::string l = gen.NextLine(); !l.empty(); l = gen.NextLine())
            lines.push_back(Cp1252ToUtf8(l));
        previous = gen.PreviousTime();
        EXPECT_EQ(j["lines"].get<std::vector<std::string>>(), lines) << line;
        tc->log.StepForward();
    }
    EXPECT_EQ(n, 5000);
    const auto first = nlohmann::json::parse(whole.substr(0, whole.find('\n')));
    EXPECT_EQ(first["date"], "2026-12-10T21:36:00.000");
    EXPECT_EQ(first["frame"].get<std::string>().substr(0, 2), "68");
}

TEST(JsonRecord, TextsBecomeUtf8AndDamagedStampsNull) {
    TestContext tc;
    tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.ger");
    TTelegram rec{};
    rec.Time = std::numeric_limits<double>::quiet_NaN();
    rec.Status = 200;  // beyond the status texts
    rec.Source = 9;
    rec.FrameLen = 30000;  // damaged: the frame is read no further than the buffer
    const std::vector<std::string> lines = {
        "Gr\xFC\xDF"
        "e",
        "", "a\"b\\c\x01"};
    const auto j = nlohmann::json::parse(cli::JsonRecord(*tc, rec, 7, lines));
    EXPECT_TRUE(j["time"].is_null());
    EXPECT_TRUE(j["date"].is_null());
    EXPECT_TRUE(j["statusText"].is_null());  // no text names code 200
    EXPECT_EQ(j["no"], 7);
    EXPECT_EQ(j["lines"][0],
              "Gr\xC3\xBC\xC3\x9F"
              "e");
    EXPECT_EQ(j["lines"][1], "");
    EXPECT_EQ(j["lines"][2], "a\"b\\c\x01");  // escaped, and read back as it was
    EXPECT_EQ(j["frame"].get<std::string>().size(), 2 * TTelegram::kMaxFrame);
}

}  // namespace
}  // namespace vadrix::testing
