// The line generator against lines built from the language texts and the record's numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/TimeBase.h"
#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "interpret/Descriptions.h"
#include "interpret/LineGenerator.h"
#include "log/LogFileLayout.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::TempDir;
using testing::TestContext;

// 10 December 2026, 10:47:25.123
const double kTime = DateSerial(2026, 12, 10) + (10 * 3600 + 47 * 60 + 25.123) / 86400.0;

struct Link {
    int station = 5;
    int telNo = 100;
    int kind = 2;
    int lc = 0;
    int seq = 0;
    bool seqFlag = false;
    bool addrFlag = false;
    int group = 0;
};

// A variable frame of variant 2 (H = 4) with its head fields as reception fills them.
TTelegram MakeVariable(const Link& l, std::vector<std::uint8_t> data,
                       std::uint8_t statusCode = status::kGood) {
    TTelegram t{};
    t.Status = statusCode;
    t.Kind = kind::kVariable;
    t.Time = kTime;
    t.Source = source::kE1;
    t.Station = static_cast<std::uint8_t>(l.station);
    t.TelNo = static_cast<std::uint16_t>(l.telNo);
    t.LenCode = static_cast<std::uint8_t>(l.lc);
    t.DataKind = static_cast<std::uint8_t>(l.kind);
    const int n = static_cast<int>(data.size());
    std::uint8_t* f = t.Frame;
    f[0] = 0x68;
    f[1] = f[2] = static_cast<std::uint8_t>(n + 4);
    f[3] = 0x68;
    f[4] = static_cast<std::uint8_t>(l.station | (l.addrFlag ? 0x80 : 0));
    f[5] = static_cast<std::uint8_t>(l.seq | (l.seqFlag ? 0x20 : 0) | (l.kind << 6));
    f[6] = static_cast<std::uint8_t>(l.telNo & 0xFF);
    f[7] = static_cast<std::uint8_t>((l.telNo >> 8) | (l.lc << 2) | (l.group << 5));
    for (int i = 0; i < n; ++i) f[8 + i] = data[static_cast<std::size_t>(i)];
    f[8 + n] = 0;
    f[9 + n] = 0x16;
    t.FrameLen = static_cast<std::int16_t>(n + 10);
    return t;
}

class LineGeneratorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ctx->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        ctx->settings.Language = 1;
        ctx->general.ProtocolVariant = 2;
        ctx->run.UserDataOffset = 4;
        s = SettingsFromContext(*ctx);
        s.timeLine = false;
    }

    std::vector<std::string> Lines(const TTelegram& rec, double prev = 0, std::int64_t no = 1) {
        gen.Prepare(s, rec, prev, no);
        std::vector<std::string> lines;
        for (std::string l = gen.NextLine(); !l.empty(); l = gen.NextLine()) lines.push_back(l);
        EXPECT_EQ(gen.LineCount(s, rec), static_cast<int>(lines.size()));
        return lines;
    }
    std::string T(int n) const { return std::string(ctx.ctx->Txt(n)); }
    static std::string R(const std::string& x, int w) {
        return std::string(x.size() < static_cast<std::size_t>(w) ? w - x.size() : 0, ' ') + x;
    }
    static std::string N(long long v, int w) { return R(std::to_string(v), w); }
    // The address part of a decoded line of source E1.
    std::string Address(const Link& l) const {
        return "E1    " + T(30 + l.addrFlag) + N(l.station, 3) + N(l.telNo, 5) + T(35 + l.kind) +
               " " + T(32 + l.seqFlag) + N(l.seq, 3) + N(l.group, 3) + N(l.lc, 2);
    }
    // The running number is at least two wide, in a column of 17.
    std::string HeaderStart(const std::string& no) const {
        const std::string n = R(no, 2);
        return n + std::string(17 - n.size(), ' ') + "10:47:25,123";
    }

    TestContext ctx;
    InterpretSettings s;
    Descriptions desc;
    LineGenerator gen{*ctx, &desc};
};

TEST_F(LineGeneratorTest, GoodTelegramHasNoHeaderUnlessTheTimeLineIsOn) {
    const Link l;
    const TTelegram rec = MakeVariable(l, {0x5A, 0x0F});
    const std::string data = "   0101 1010   0000 1111" + Address(l);
    EXPECT_EQ(Lines(rec), std::vector<std::string>{data});

    s.timeLine = true;
    // Not in the description table: the derived class names the telegram (18 + 1).
    const std::string header =
        HeaderStart("1,234") + "  " + T(txt::kStatusTextBase + 40) + "  " + T(49 + 19);
    EXPECT_EQ(Lines(rec, 0, 1234), (std::vector<std::string>{header, data}));

    // A damaged class beyond the class names names nothing.
    TTelegram damaged = rec;
    damaged.InfoClass = 200;
    EXPECT_EQ(Lines(damaged, 0, 1234)[0],
              HeaderStart("1,234") + "  " + T(txt::kStatusTextBase + 40));
}

TEST_F(LineGeneratorTest, FaultyTelegramAlwaysHasAHeaderWithTheSecondsSinceThePreviousOne) {
    const Link l;
    const TTelegram rec = MakeVariable(l, {0x5A, 0x0F}, 5);
    const std::vector<std::string> first = Lines(rec, 0, 7);
    ASSERT_EQ(first.size(), 2u);  // status 5 is below 12: a hex dump follows
    EXPECT_EQ(first[0], HeaderStart("7") + "  " + T(txt::kStatusTextBase + 5));
    EXPECT_DOUBLE_EQ(gen.PreviousTime(), kTime);

    const std::vector<std::string> next = Lines(rec, kTime - 1.5 / 86400.0, 8);
    EXPECT_EQ(next[0], HeaderStart("8") + "  d=1.500s  " + T(txt::kStatusTextBase + 5));

    // The seconds are written as the general formatter writes "%1.3f", damaged stamps too.
    s.decimal = ',';
    for (const double time :
         {kTime, kTime + 1e-9, kTime - 0.0005 / 86400, kTime + 2.0, -kTime, 1e150, -1e150, 1e300}) {
        TTelegram damaged = rec;
        damaged.Time = time;
        const double seconds = (time - kTime) * 86400.0;
        const std::string d = FormatText("  d=%1.3fs  ", {seconds}, ',');
        EXPECT_NE(Lines(damaged, kTime, 9)[0].find(d), std::string::npos) << d;
    }
}

TEST_F(LineGeneratorTest, DecodedLinesOfTheFormats) {
    struct Case {
        DisplayFormat format;
        Link link;
        std::vector<std::uint8_t> data;
        std::string part;  // the line before the address part
    };
    const std::string pct = T(txt::kPercentUnit);
    const std::string flag = T(txt::kWordFlag).substr(0, 7);
    const Case cases[] = {
        {DisplayFormat::afBit, {5, 100, 2, 2}, {0xC3, 0x01}, "   1100 0011           1"},
        {DisplayFormat::afBit,
         {5, 100, 2, 4},
         {1, 2, 3, 4, 0xFF},
         "   0000 0001   0000 0010   0000 0011   0000 0100        1111"},
        {DisplayFormat::afHex, {5, 100, 2, 2}, {0xC3, 0xFF}, "     195=$C3      15=$0F"},
        {DisplayFormat::afHex, {5, 100, 2, 0}, {10, 0}, "      10=$0A       0=$00"},
        // 16-bit words: value word / 16, flag for bit 0, percent of the 11-bit scale (2000)
        {DisplayFormat::afMW,
         {5, 600, 1, 4},
         {0x41, 0x06, 0xF0, 0xFF, 0},
         R("100" + flag + "=5" + pct, 14) + std::string(10, ' ') + R("-1=0" + pct, 14) +
             std::string(10, ' ')},
        // signed bytes: the sign bits are in byte 1 (9 bits) or byte 4 (36 bits)
        {DisplayFormat::afMW, {5, 600, 1, 3}, {200, 1}, R("-56=-22" + pct, 12)},
        {DisplayFormat::afMW,
         {5, 600, 1, 5},
         {25, 250, 0, 0, 0x02},
         R("25=10" + pct, 12) + R("-6=-2" + pct, 12) + R("0=0" + pct, 12) + R("0=0" + pct, 12)},
        // logical decodings
        {DisplayFormat::afLog, {5, 781, 0, 4}, {0x05, 0, 0, 0x80, 0}, "   0 2 31"},
        {DisplayFormat::afLog, {5, 1016, 3, 4}, {0, 0, 0, 0, 0}, "  " + T(txt::kNoBitSet)},
        {DisplayFormat::afLog, {5, 513, 0, 2}, {0xA3, 0}, "   101" + T(txt::kSeqNumberLabel) + "3"},
        {DisplayFormat::afLog,
         {5, 515, 0, 6},
         {0x85, 0xAB, 0xCD, 0xEF, 0x01, 0, 0, 0, 0},
         FormatText(T(txt::kStationStateFormat), {1, 5, 0xAB, 0xCD, 0xEF, 0x01})},
        {DisplayFormat::afLog,
         {5, 767, 0, 4},
         {0x34, 0x95, 0x0F, 0xA9, 0},
         FormatText(T(txt::kObjectFormat), {0x134, 5, 1, 0}) + "   0000 1111" +
             FormatText(T(txt::kGroupFormat), {2, 9, 1})},
        {DisplayFormat::afLog,
         {5, 770, 0, 6},
         {26, 12, 10, 10, 47, 25, 0, 0, 0},
         FormatText(T(txt::kDateTimeFormat), {26, 12, 10, 10, 47, 25})},
        // 0x1F41 = 8001 ticks of 10 ms: 1 min 20.01 s
        {DisplayFormat::afLog,
         {5, 770, 0, 0},
         {0x41, 0x1F},
         R(FormatText(T(txt::kDurationFormat), {1, 20.01}), 24)},
        // the time telegram: two bit bytes, a duration, four bits
        {DisplayFormat::afLog,
         {5, 100, 0, 5},
         {0x81, 0x42, 0x64, 0, 0x3C},
         "   1000 0001   0100 0010" + R(FormatText(T(txt::kDurationFormat), {0, 1.0}), 24) +
             "        1100"},
        // the longer one: 1000 ms and the millisecond digit 7 from the upper half
        {DisplayFormat::afLog,
         {5, 100, 0, 6},
         {0x81, 0x42, 0x64, 0, 0x7C, 0, 0, 0, 0},
         "   1000 0001   0100 0010" + R(FormatText(T(txt::kDurationFormat), {0, 1.007}), 24) +
             "        1100"},
        // values by telegram number
        {DisplayFormat::afLog, {5, 600, 1, 3, 1}, {200, 1}, R("-56=-22" + pct, 12)},
    };
    for (const Case& c : cases) {
        s.format = c.format;
        const TTelegram rec = MakeVariable(c.link, c.data);
        const std::vector<std::string> lines = Lines(rec);
        ASSERT_EQ(lines.size(), 1u) << c.part;
        EXPECT_EQ(lines[0], c.part + Address(c.link)) << static_cast<int>(c.format);
    }
}

TEST_F(LineGeneratorTest, ClassDecodingsTakeTheClassFromTheDescription) {
    TempDir dir;
    ASSERT_TRUE(LoadDescriptions(*ctx, desc,
                                 dir.Write("o.txt",
                                           "1;1;300;1-2;Counter;PF16\n"
                                           "1;3;301;;Bcd;PF15\n"
                                           "1;1;302;;Taps;PF14\n"
                                           "0;1;303;;Pair;PO1\n")));
    s.format = DisplayFormat::afLog;
    const std::string flags = FormatText(T(txt::kCounterFlagsFormat), {1, 0, 0, 0});
    const Link counter{5, 300, 1, 4, 3};
    EXPECT_EQ(Lines(MakeVariable(counter, {0x21, 0x43, 0x65, 0x87, 0}))[0],
              "   " + R("124,076,833", 9) + flags + Address(counter));
    const Link bcd{5, 301, 3, 4, 3};
    EXPECT_EQ(Lines(MakeVariable(bcd, {0x21, 0x43, 0x65, 0x87, 0}))[0],
              "   7,654,321" + flags + Address(bcd));
    EXPECT_EQ(Lines(MakeVariable(bcd, {0x2A, 0x43, 0x65, 0x87, 0}))[0],
              "   " + T(txt::kNotBcd) + "765432A" + flags + Address(bcd));
    const Link taps{5, 302, 1, 4, 3};
    std::string tapPart;
    for (int b : {0x41, 0x82, 0xC3, 0x04})
        tapPart += R(std::string(b & 0x80 ? "1" : "0") + (b & 0x40 ? "1" : "0") +
                         FormatText(T(txt::kTapFormat), {b & 0x3F, b & 0x3F}),
                     12);
    EXPECT_EQ(Lines(MakeVariable(taps, {0x41, 0x82, 0xC3, 0x04, 0}))[0], tapPart + Address(taps));
    // Class 19: the bits of byte 0, the group of byte 1, a word for the parity.
    const Link pair{5, 303, 1, 0, 0};
    const std::string pairPart = "   1111 0000" + FormatText(T(txt::kGroupFormat), {3, 2, 1});
    // The six bytes from the user-data start (station byte onwards) hold 17 ones with
    // station 5, and 16 with station 4.
    EXPECT_EQ(Lines(MakeVariable(pair, {0xF0, 0xB2}))[0],
              pairPart + T(txt::kParityOdd) + Address(pair));
    const Link evenPair{4, 303, 1, 0, 0};
    // Even parity has a word of its own, never the object format text before the odd one.
    EXPECT_EQ(Lines(MakeVariable(evenPair, {0xF0, 0xB2}))[0],
              pairPart + T(txt::kParityEven) + Address(evenPair));
    EXPECT_NE(T(txt::kParityEven), T(txt::kObjectFormat));
    EXPECT_NE(T(txt::kParityEven), T(txt::kParityOdd));

    // The description's name stands in the header; its colour replaces the font colour.
    s.timeLine = true;
    const TTelegram rec = MakeVariable(counter, {0, 0, 0, 0, 0});
    const std::vector<std::string> lines = Lines(rec, 0, 3);
    EXPECT_EQ(lines[0], HeaderStart("3") + "  " + T(txt::kStatusTextBase + 40) + "  Counter");
    EXPECT_EQ(gen.ColourPair(), (2 << 8) | 1);
}

TEST_F(LineGeneratorTest, ShortTelegram) {
    s.format = DisplayFormat::afLog;
    TTelegram rec{};
    rec.Status = status::kGood;
    rec.Kind = kind::kVariable;
    rec.Source = source::kE1;
    rec.Station = 5;
    rec.FrameLen = 8;
    const std::uint8_t frame[] = {0x68, 2, 2, 0x68, 0x85, 0x01, 0x86, 0x16};
    std::copy(std::begin(frame), std::end(frame), rec.Frame);
    EXPECT_EQ(Lines(rec),
              std::vector<std::string>{"E1       5    3 " + T(txt::kShortFunctionBase + 3)});
    rec.Frame[4] = 0x05;
    rec.Frame[5] = 0x00;
    EXPECT_EQ(Lines(rec), std::vector<std::string>{"E1       5    0 " + T(txt::kShortFunctionBase) +
                                                   T(txt::kShortNoData)});
}

TEST_F(LineGeneratorTest, LongDecodedLineIsContinued) {
    s.format = DisplayFormat::afMW;
    const Link l{5, 600, 1, 7};
    const TTelegram rec = MakeVariable(l, {1, 2, 3, 4, 5, 6, 7, 8, 0});
    std::string full;
    for (int v = 1; v <= 8; ++v)
        full += R(std::to_string(v) + "=" + std::to_string((v * 100 + 125) / 250) + "%", 12);
    full += Address(l);
    ASSERT_GE(full.size(), 101u);
    const std::string cont = std::string(Address(l).size(), ' ') + full.substr(79);
    EXPECT_EQ(Lines(rec), (std::vector<std::string>{full.substr(0, 80), cont}));

    // A LenCode 6 line that stays short is not continued.
    s.format = DisplayFormat::afLog;
    const Link shorter{5, 515, 0, 6};
    EXPECT_EQ(Lines(MakeVariable(shorter, {0x10, 0, 0, 0, 0, 0, 0, 0, 0})).size(), 1u);
}

TEST_F(LineGeneratorTest, ValueListOfNineValuesTakesTwoLines) {
    TTelegram rec{};
    rec.Status = 41;
    rec.Kind = kind::kValueList;
    rec.Time = kTime;
    rec.Source = source::kE1;
    rec.DataKind = 1;
    rec.FrameLen = 30;
    rec.Frame[7] = 10;  // ten words: the first in the header, nine values
    auto word = [&rec](int index, std::uint16_t w) {
        rec.Frame[2 * index] = static_cast<std::uint8_t>(w);
        rec.Frame[2 * index + 1] = static_cast<std::uint8_t>(w >> 8);
    };
    word(4, 0x9064);  // 100 in range 1, "H"
    for (int p = 0; p < 9; ++p)
        word(p + 5, static_cast<std::uint16_t>((p + 1) | (p == 1 ? 0x4000 : 0)));
    const std::vector<std::string> lines = Lines(rec, 0, 2);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], HeaderStart("2") + T(txt::kValueListPrefix) + "    100H" +
                            T(txt::kValueListHigh) + "  " + T(txt::kStatusTextBase + 41));
    std::string values;
    for (int v = 1; v <= 8; ++v) values += R(std::to_string(v * 10) + "L", 8);
    EXPECT_EQ(lines[1], "   0100 0000" + std::string("E1") + R("1-8:  ", 10) + values);
    EXPECT_EQ(lines[2], "   0        " + R("9-9:  ", 12) + "     90L");
}

TEST_F(LineGeneratorTest, HexDumpLineCounts) {
    s.format = DisplayFormat::afByte;
    TTelegram fixed{};
    fixed.Status = status::kGood;
    fixed.Kind = kind::kVariable;
    fixed.Source = source::kE2;
    fixed.FrameLen = 5;
    const std::uint8_t f[] = {0x10, 0x49, 0x05, 0x4E, 0x16};
    std::copy(std::begin(f), std::end(f), fixed.Frame);
    const std::string hex = "10 49 05 4E  16 ";
    EXPECT_EQ(Lines(fixed), std::vector<std::string>{"E2" + R("1-5:  ", 10) + hex +
                                                     std::string(52 - hex.size(), ' ') + ".I.N." +
                                                     std::string(70 - 57, ' ')});

    TTelegram big = fixed;
    big.FrameLen = 50;
    for (int i = 0; i < 50; ++i) big.Frame[i] = static_cast<std::uint8_t>(0x41 + i % 26);
    const std::vector<std::string> lines = Lines(big);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].substr(0, 12), R("17-32:  ", 12));
    const std::string last = "57 58 ";
    EXPECT_EQ(lines[3], R("49-50:  ", 12) + last + std::string(52 - last.size(), ' ') + "WX" +
                            std::string(70 - 54, ' '));
}

// One generator serves record after record: what a longer record before left in the frame,
// or what a record holds behind its stated length, must never show in the next one's lines,
// and the appending NextLine gives the very lines the returning one does.
TEST_F(LineGeneratorTest, AReusedGeneratorMakesTheLinesOfAFreshOne) {
    TTelegram longRaw{};
    longRaw.Status = 5;  // loose bytes: shown as a hex dump
    longRaw.Source = source::kE2;
    longRaw.Time = kTime;
    longRaw.FrameLen = 200;
    for (int i = 0; i < 200; ++i) longRaw.Frame[i] = static_cast<std::uint8_t>(0xA0 + i % 50);
    TTelegram shortRaw = longRaw;
    shortRaw.FrameLen = 7;  // the bytes behind it read as zero
    Link l;
    l.lc = 6;
    l.kind = 0;
    l.telNo = 770;
    const TTelegram tel = MakeVariable(l, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    TTelegram damaged = tel;
    damaged.FrameLen = 9000;  // read no further than the buffer
    TTelegram cut = tel;
    cut.FrameLen = 10;  // its data are read behind the stated length
    const std::vector<TTelegram> records = {longRaw, shortRaw, tel,      longRaw,
                                            cut,     damaged,  shortRaw, cut};
    for (const DisplayFormat f :
         {DisplayFormat::afBit, DisplayFormat::afLog, DisplayFormat::afMW, DisplayFormat::afHex,
          DisplayFormat::afByte, DisplayFormat::afCsv, DisplayFormat::afDez}) {
        s.format = f;
        LineGenerator reused(*ctx, nullptr);
        for (std::size_t i = 0; i < records.size(); ++i) {
            SCOPED_TRACE(::testing::Message()
                         << "format " << static_cast<int>(f) << " record " << i);
            TTelegram clean = records[i];
            const int n = std::clamp<int>(clean.FrameLen, 0, TTelegram::kMaxFrame);
            std::fill(clean.Frame + n, clean.Frame + TTelegram::kMaxFrame, std::uint8_t{0});
            LineGenerator fresh(*ctx, nullptr);
            fresh.Prepare(s, clean, kTime - 1.0 / 86400, 7);
            std::string expected = "kept|";
            for (std::string line = fresh.NextLine(); !line.empty(); line = fresh.NextLine())
                expected += line + "|";
            reused.Prepare(s, records[i], kTime - 1.0 / 86400, 7);
            std::string appended = "kept|";
            while (reused.NextLine(appended)) appended += "|";
            EXPECT_EQ(appended, expected);
            EXPECT_FALSE(reused.NextLine(appended));
            EXPECT_EQ(reused.PreviousTime(), fresh.PreviousTime());
        }
    }
}

TEST_F(LineGeneratorTest, EventRecords) {
    s.format = DisplayFormat::afLog;
    TTelegram port{};
    port.Status = status::kPortOpened;
    port.Kind = kind::kEvent;
    port.Time = kTime;
    port.Source = source::kE1;
    port.Station = 3;
    port.FrameLen = 48;
    auto put = [&port](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) port.Frame[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 120);
    put(4, 2);
    put(8, 7);
    put(12, 0);
    put(16, 99);
    put(20, 1);  // channel function
    put(24, 1);  // variant: the line bit rates follow
    put(28, 0);  // traffic kind
    put(32, 200);
    put(36, 300);
    put(40, 600);
    const std::string counters = FormatText(T(txt::kCounterPairFormat), {T(1176), 120, 2}) +
                                 FormatText(T(txt::kCounterPairFormat), {T(1177), 7, 0}) +
                                 FormatText(T(txt::kCounterPairFormat), {T(1178), 99, "-"});
    const std::string text = FormatText(T(txt::kStatusTextBase + 48), {3}) + T(886 + 1) +
                             T(1123 + 1) + T(1126) + T(txt::kPortBaud) + "200/300/600" + counters;
    EXPECT_EQ(Lines(port, kTime - 1, 4),
              std::vector<std::string>{(HeaderStart("4") + "  " + text).substr(0, 255)});

    // The terminal and the programming variants are named by their items in the general
    // settings' protocol list, never by the traffic texts behind the port texts; a damaged
    // variant, traffic kind or function names nothing.
    const std::string twoCounters = FormatText(T(txt::kCounterPairFormat), {T(1176), 120, 2}) +
                                    FormatText(T(txt::kCounterPairFormat), {T(1177), 7, 0});
    const struct {
        std::uint32_t function, variant, traffic;
        std::string setUp;
    } kSetUps[] = {
        {1, 2, 1, T(887) + T(1125) + T(1127)},
        {1, 3, 0, T(887) + ", " + T(txt::kProtocolList + 2 + 3) + T(1126)},
        {2, 4, 1, T(888) + ", " + T(txt::kProtocolList + 2 + 4) + T(1127)},
        {3, 5, 2, ""},
        {0xFFFF, 0xFFFF, 0xFFFF, ""},
    };
    for (const auto& c : kSetUps) {
        put(20, c.function);
        put(24, c.variant);
        put(28, c.traffic);
        const std::string line = FormatText(T(txt::kStatusTextBase + 48), {3}) + c.setUp +
                                 T(txt::kPortBaud) + "200" + twoCounters;
        EXPECT_EQ(Lines(port, kTime - 1, 4),
                  std::vector<std::string>{(HeaderStart("4") + "  " + line).substr(0, 255)})
            << c.variant;
    }

    TTelegram modem{};
    modem.Status = status::kModemLines;
    modem.Kind = kind::kLineEvent;
    modem.Time = kTime;
    modem.Source = source::kE2;
    modem.Station = 0x95;  // lines 2 and 0 changed, line 0 now 1, line 2 now 0
    EXPECT_EQ(Lines(modem, 0, 5),
              std::vector<std::string>{HeaderStart("5") + "  E2" + T(txt::kStatusTextBase + 43) +
                                       T(919) + "0" + T(917) + "1"});

    TTelegram rts = modem;
    rts.Status = status::kRtsSwitched;
    rts.Source = source::kS2;
    rts.Station = 1;
    EXPECT_EQ(Lines(rts, 0, 6), std::vector<std::string>{HeaderStart("6") + "  S2" +
                                                         T(txt::kStatusTextBase + 50) + "1"});

    TTelegram note{};
    note.Status = status::kFreeText;
    note.Kind = kind::kEvent;
    note.Time = kTime;
    note.FrameLen = 6;
    note.Frame[0] = 200;  // claims more than the frame holds
    std::copy_n("Reset", 5, reinterpret_cast<char*>(note.Frame + 1));
    EXPECT_EQ(Lines(note, 0, 7),
              std::vector<std::string>{HeaderStart("7") + "  " + T(1175) + "  Reset"});

    TTelegram odd = note;
    odd.Status = 200;  // past the status texts
    EXPECT_EQ(Lines(odd, 0, 8),
              std::vector<std::string>{HeaderStart("8") + "  " + T(txt::kStatusTextBase)});
}

TEST_F(LineGeneratorTest, BitBytes) {
    s.format = DisplayFormat::afDez;
    const Link l{5, 100, 2, 4};
    const TTelegram rec = MakeVariable(l, {1, 2, 3, 4, 5});  // 15 bytes, all shown in variant 2
    const std::vector<std::string> lines = Lines(rec);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "E1" + R("1-6:  ", 10) +
                            "   0110 1000   0000 1001   0000 1001   0110 1000" +
                            "   0000 0101   1000 0000");
    EXPECT_EQ(lines[2], R("13-15:  ", 12) + "   0000 0101   0000 0000   0001 0110");
}

TEST_F(LineGeneratorTest, ExportLine) {
    s.format = DisplayFormat::afCsv;
    const Link l{5, 600, 1, 2, 3, true, true, 2};
    const TTelegram rec = MakeVariable(l, {0xC3, 0x01});
    EXPECT_EQ(Lines(rec, 0, 1234),
              std::vector<std::string>{"1234;E1;;12/10/2026;10:47:25;123;3;" +
                                       T(txt::kStatusTextBase + 40) + ";1;5;1;1;3;2;2;600;195;1;"});
}

}  // namespace
}  // namespace vadrix

namespace vadrix {
namespace {

TEST_F(LineGeneratorTest, SettingsComeFromTheContextOrFromTheLogsOwnHeader) {
    ctx->settings.DisplayFormat = 5;
    ctx->settings.DisplayFlag = 0;
    ctx->general.Scale8 = 250;
    InterpretSettings live = SettingsFromContext(*ctx);
    EXPECT_EQ(live.format, DisplayFormat::afHex);
    EXPECT_FALSE(live.timeLine);
    ctx->settings.DisplayFlag = 1;
    ctx->settings.DisplayFormat = 99;  // a damaged settings file
    live = SettingsFromContext(*ctx);
    EXPECT_TRUE(live.timeLine);
    EXPECT_EQ(live.format, DisplayFormat::afLog);

    // A log written in variant 1 with its own scale: the link bytes lie at 8, values scale by 100.
    TLogHeader h{};
    h.General.ProtocolVariant = 1;
    h.General.Scale8 = 100;
    InterpretSettings file = SettingsFromLogHeader(*ctx, h);
    EXPECT_EQ(file.userDataOffset, 8);
    file.format = DisplayFormat::afMW;
    file.timeLine = false;
    const Link l{5, 600, 1, 3};
    TTelegram rec = MakeVariable(l, {50, 0});
    // Shift the link bytes from 4 to 8 as the monitor's envelope puts them.
    std::copy_backward(rec.Frame + 4, rec.Frame + 14, rec.Frame + 18);
    rec.FrameLen = static_cast<std::int16_t>(rec.FrameLen + 4);
    gen.Prepare(file, rec, 0, 1);
    EXPECT_EQ(gen.NextLine(), R("50=50" + T(txt::kPercentUnit), 12) + Address(l));
}

}  // namespace
}  // namespace vadrix
