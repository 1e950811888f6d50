// Over many random records, well-formed and damaged, in every format, variant and time-line
// setting: the line count is the number of lines produced, no line passes 255 characters,
// and nothing crashes (the test runs under the sanitizers).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "app/TimeBase.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::TempDir;
using testing::TestContext;

TTelegram RandomRecord(std::mt19937& rng, int variant) {
    auto byte = [&rng] { return static_cast<std::uint8_t>(rng() & 0xFF); };
    TTelegram t{};
    for (std::uint8_t& b : t.Frame) b = byte();
    const int shape = static_cast<int>(rng() % 4);
    if (shape == 0) {
        // Anything at all, as a damaged file may hold.
        std::uint8_t head[TTelegram::kHeadSize];
        for (std::uint8_t& b : head) b = byte();
        std::memcpy(BytesOf(t).data(), head, sizeof head);
        if (rng() % 8 == 0) t.Time = std::numeric_limits<double>::quiet_NaN();
        if (rng() % 8 == 0) t.Time = -1e300;
        return t;
    }
    // A telegram or event as the program stores them, with random contents.
    static constexpr std::uint8_t kKinds[] = {0, 2, 3, 3, 3, 4, 5, 6};
    static constexpr std::uint8_t kStatus[] = {40, 40, 40, 5,  11, 12, 27,
                                               35, 43, 48, 49, 50, 54, 56};
    t.Kind = kKinds[rng() % 8];
    t.Status = kStatus[rng() % 14];
    t.Source = static_cast<std::uint8_t>(rng() % 5);
    t.DataShift = static_cast<std::int8_t>(rng() % 3 == 0 ? -1 : 0);
    const int h = variant < 2 ? 8 : 4;
    const int lens[] = {0, 5, h + 4, h + 6, h + 9, h + 15, 48, 100, 270};
    t.FrameLen = static_cast<std::int16_t>(lens[rng() % 9]);
    if (shape == 1 && t.FrameLen > 0) t.Frame[0] = rng() % 2 ? 0x68 : 0x10;
    t.Time = DateSerial(2026, 1, 1) + (rng() % 100000) / 1000.0;
    t.TelNo = static_cast<std::uint16_t>(rng() % 1024);
    t.Station = byte();
    t.LenCode = static_cast<std::uint8_t>(rng() % 8);
    t.DataKind = static_cast<std::uint8_t>(rng() % 4);
    t.InfoClass = rng() % 4 == 0 ? static_cast<std::uint8_t>(rng() % 80) : 0;
    // Interesting telegram numbers of the logical decoding.
    static constexpr std::uint16_t kNumbers[] = {513, 515, 767, 770, 781, 1016, 1020, 600, 100};
    if (rng() % 2 == 0) t.TelNo = kNumbers[rng() % 9];
    return t;
}

TEST(InterpretProperty, LineCountMatchesAndLinesStayShort) {
    TestContext ctx;
    ASSERT_TRUE(ctx->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    TempDir dir;
    Descriptions desc;
    ASSERT_TRUE(LoadDescriptions(*ctx, desc,
                                 dir.Write("o.txt", "0;0;0-1023;1-2;" + std::string(79, 'N') +
                                                        ";PF16\n"
                                                        "1;1;0-1023;;Counters;PF15\n"
                                                        "1;3;0-1023;;Taps;PF14\n"
                                                        "0;1;0-1023;;Pairs;PO1\n")));
    LineGenerator gen(*ctx, &desc);
    std::mt19937 rng(20261210);
    int lines = 0;
    for (int variant : {0, 1, 2}) {
        ctx->general.ProtocolVariant = variant;
        ctx->run.UserDataOffset = variant < 2 ? 8 : 4;
        for (int format = 2; format <= 8; ++format) {
            for (bool timeLine : {false, true}) {
                InterpretSettings s = SettingsFromContext(*ctx);
                s.format = static_cast<DisplayFormat>(format);
                s.timeLine = timeLine;
                s.general.Type17Option = static_cast<int>(rng() % 2);
                if (rng() % 4 == 0) s.general.Scale8 = 0;
                double prev = 0;
                for (int i = 0; i < 1500; ++i) {
                    const TTelegram rec = RandomRecord(rng, variant);
                    gen.Prepare(s, rec, prev, static_cast<std::int64_t>(rng()) - 1000);
                    int produced = 0;
                    for (std::string l = gen.NextLine(); !l.empty(); l = gen.NextLine()) {
                        ASSERT_LE(l.size(), LineGenerator::kMaxLine);
                        ASSERT_LT(++produced, 64);
                    }
                    ASSERT_EQ(gen.LineCount(s, rec), produced)
                        << "format " << format << " kind " << int(rec.Kind) << " status "
                        << int(rec.Status) << " len " << rec.FrameLen << " lc " << int(rec.LenCode);
                    EXPECT_TRUE(gen.NextLine().empty());  // stays ended
                    prev = gen.PreviousTime();
                    lines += produced;
                }
            }
        }
    }
    EXPECT_GT(lines, 50000);
}

}  // namespace
}  // namespace vadrix
