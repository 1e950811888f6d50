#include <gtest/gtest.h>

#include <cstring>

#include "editors/ByteField.h"
#include "editors/FreeData.h"
#include "editors/InfoCell.h"
#include "editors/TypeCodes.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

// The bit characters and the field kinds as the language files define them.
constexpr std::string_view kBitChars = "0.o1Il|";
constexpr std::string_view kKinds = "$+-#.oIl|";
constexpr std::string_view kCodes = "PFPOSFSOPSPUSSSU";

TEST(ByteField, NumbersHexAndBitStrings) {
    struct Case {
        std::string_view text;
        std::optional<std::uint8_t> value;
    };
    const Case cases[] = {
        {"255", 255},
        {"$FF", 255},
        {"11111111", 255},  // eight characters are always a bit string
        {"IIIIIIII", 255},
        {"  ", 0},
        {"256", std::nullopt},
        {"-1", std::nullopt},
        {"0000.o01", 1},
        {".1", 1},  // "." stands late in the kinds text: a bit string
        {"l1", 3},
        {"1x", std::nullopt},
        {"..........", 0},
        {"1111111111", std::nullopt},  // a number, and too big
        {"|||||||||", std::nullopt},   // nine bits do not fit a byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseByteField(c.text, kBitChars, kKinds), c.value) << c.text;
    const char bits[2] = {'0', '1'};
    EXPECT_EQ(BitString(255, 8, bits), "11111111");
    EXPECT_EQ(BitString(0x08, 8, bits), "00001000");
}

TEST(TypeTemplate, ReadsFieldsAndFallsBackToDefaults) {
    const TypeTemplate t = ParseTypeTemplate("3 04 00040 : 0100000000000000FF");
    EXPECT_EQ(t.Da, 3);
    EXPECT_EQ(t.Lg, 4);
    EXPECT_EQ(t.TelNr, 40);
    EXPECT_EQ(t.B[0], 0x01);
    EXPECT_EQ(t.B[8], 0xFF);

    const TypeTemplate bad = ParseTypeTemplate("x 9z 02000 : 01zz");
    EXPECT_EQ(bad.Da, 2);
    EXPECT_EQ(bad.Lg, 4);
    EXPECT_EQ(bad.TelNr, 516);
    EXPECT_EQ(bad.B[0], 0x01);
    EXPECT_EQ(bad.B[1], 0);  // an invalid pair

    TSendEntry e;
    e.Akt = 1;
    e.Sys = 5;
    ApplyTypeTemplate(t, 12, e);
    EXPECT_EQ(e.Typ, 12);
    EXPECT_EQ(e.TelNr, 40);
    EXPECT_EQ(e.Akt, 1);
    EXPECT_EQ(e.Sys, 5);
}

TEST(TypeCode, LookupTable) {
    struct Case {
        std::string_view text;
        std::optional<int> type;
    };
    const Case cases[] = {
        {"PS6B", 6},
        {"ps6a", 5},
        {"PF6A", 5},
        {"PS6", std::nullopt},
        {"PS6C", std::nullopt},
        {"PS7", 7},
        {"PS2", 1},
        {"PF17", 17},
        {"PF18", std::nullopt},
        {"SO1", 45},
        {"SU32", 76},
        {"SU33", std::nullopt},
        {"PO1", 18},
        {"SF20", 44},
        {"PS0", std::nullopt},
        {"FP1", std::nullopt},  // only the code positions count
        {"XX1", std::nullopt},
        {"SO", std::nullopt},
        {"SOx", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(LookupTypeCode(c.text, kCodes), c.type) << c.text;

    EXPECT_EQ(ParseTypeCell(" 76 ", kCodes), 76);
    EXPECT_EQ(ParseTypeCell("77", kCodes), std::nullopt);
    EXPECT_EQ(ParseTypeCell("so1", kCodes), 45);
    EXPECT_EQ(ParseTypeCell("", kCodes), std::nullopt);
}

TSendEntry EntryOf(int type, int lg) {
    TSendEntry e;
    e.Typ = static_cast<std::int8_t>(type);
    e.Lg = static_cast<std::uint8_t>(lg);
    for (auto& b : e.B) b = 0;
    return e;
}

TEST(InfoCell, WordClassBothWays) {
    TSendEntry e = EntryOf(10, 4);
    ASSERT_TRUE(ParseInfoCell("100 -5 $12", kBitChars, e));
    EXPECT_EQ(e.B[0] | (e.B[1] << 8), 100 * 16);
    EXPECT_EQ(static_cast<std::int16_t>(e.B[2] | (e.B[3] << 8)), -5 * 16);
    EXPECT_EQ(e.B[4], 0x12);
    EXPECT_EQ(FormatInfoCell(e), "100 -5 $12");

    ASSERT_TRUE(ParseInfoCell("3000", kBitChars, e));  // beyond 12 bits: marked
    EXPECT_EQ(e.B[0] & 0x0F, 1);
}

TEST(InfoCell, SignedClassBothWays) {
    TSendEntry e = EntryOf(8, 4);
    ASSERT_TRUE(ParseInfoCell("5 -3 7 -1", kBitChars, e));
    const std::uint8_t expected[5] = {5, 253, 7, 255, 0b1010};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(e.B[i], expected[i]) << i;
    EXPECT_EQ(FormatInfoCell(e), "5 -3 7 -1 ");
}

TEST(InfoCell, CounterPlainAndBadText) {
    TSendEntry c = EntryOf(16, 4);
    ASSERT_TRUE(ParseInfoCell("268435455 $30", kBitChars, c));
    EXPECT_EQ(c.B[3], 0x3F);
    EXPECT_EQ(FormatInfoCell(c), "268435455 $30");

    TSendEntry p = EntryOf(1, 0);
    ASSERT_TRUE(ParseInfoCell("$7D 11111010", kBitChars, p));
    EXPECT_EQ(FormatInfoCell(p), "$7D $FA ");

    const TSendEntry before = p;
    EXPECT_FALSE(ParseInfoCell("1 zz", kBitChars, p));
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);

    TSendEntry nine = EntryOf(1, 7);  // more than nine tokens: the rest is ignored
    ASSERT_TRUE(ParseInfoCell("1 2 3 4 5 6 7 8 9 10 11", kBitChars, nine));
    EXPECT_EQ(nine.B[8], 9);
}

TEST(FreeBits, ReadAndShow) {
    TSendTelegram t;
    ReadFreeBits("1010 0011\r\n1111 0000\r\n101", t);
    EXPECT_EQ(t.DataCount, 19);
    EXPECT_EQ(t.Data[0], 0xA3);
    EXPECT_EQ(t.Data[1], 0xF0);
    EXPECT_EQ(t.Data[2], 0x05);
    EXPECT_EQ(FormatFreeBits(t), "1010 0011\r\n1111 0000\r\n      101");

    std::string many(8 * 300, '1');  // more than 264 bytes of bits
    ReadFreeBits(many, t);
    EXPECT_EQ(t.DataCount, 8 * 264);
}

TEST(LevelWords, MemoTokens) {
    TSendTelegram t;
    const LevelTiming timing{5.0, 11.0, true};
    ReadLevelWords("1 12,5 0 2500 0.01 x", timing, t);
    ASSERT_EQ(t.DataCount, 5);
    auto word = [&](int i) {
        return static_cast<std::uint16_t>(t.Data[2 * i] | (t.Data[2 * i + 1] << 8));
    };
    using namespace levelword;
    EXPECT_EQ(word(0), (0x3000 + 1100) | kLevel1 | kAlternate);
    EXPECT_EQ(word(1), (0x3000 + 1250) | kUserNumber);
    EXPECT_EQ(word(2), (0x3000 + 500) | kAlternate);
    EXPECT_EQ(word(3), 200 | kUserNumber);
    EXPECT_EQ(word(4), (0x3000 + 5) | kUserNumber | kAlternate);

    // With the lock level not 0 the alternation starts clear.
    ReadLevelWords("0 0", LevelTiming{5.0, 11.0, false}, t);
    EXPECT_EQ(word(0) & kAlternate, 0);
    EXPECT_NE(word(1) & kAlternate, 0);
}

TEST(LevelWords, DurationCodesAndLimits) {
    EXPECT_EQ(CodeDuration(19.99), 0x3000 + 1999);
    EXPECT_EQ(CodeDuration(20), 0x2000 + 200);
    EXPECT_EQ(CodeDuration(199.9), 0x2000 + 1999);
    EXPECT_EQ(CodeDuration(200), 0x1000 + 200);
    EXPECT_EQ(CodeDuration(2000), 200);
    EXPECT_EQ(CodeDuration(30000), 2041);
    EXPECT_DOUBLE_EQ(WordDuration(0x3000 + 1250), 12.5);
    EXPECT_DOUBLE_EQ(WordDuration(200), 2000);

    TSendTelegram t;
    std::string text;
    for (int i = 0; i < 130; ++i) text += "1 ";
    ReadLevelWords(text, LevelTiming{}, t);
    EXPECT_EQ(t.DataCount, kMaxLevelWords);
}

TEST(LevelWords, FormatsWithValueTexts) {
    EXPECT_EQ(FormatNumber("%.1f", 12.5), "12.5");
    EXPECT_EQ(FormatNumber(">%.0f", 20410), ">20410");
    EXPECT_EQ(FormatNumber("%s%d%", 1), "%s%d%");  // foreign conversions are not filled
}

}  // namespace
}  // namespace vadrix

namespace vadrix {
namespace {

TEST(FreeBitsConversion, ComposedFrameBecomesFreeBitsWithoutSideEffects) {
    testing::TestContext tc;
    tc->general.ProtocolVariant = 2;
    tc->run.UserDataOffset = 4;
    tc->emse1.ChannelFunction = 2;
    tc->emse1.StationState[0].W1 = 5;
    TSendTelegram t;
    t.Head.Entry.Typ = 5;
    t.Head.Entry.Lg = 4;
    t.Head.Entry.Da = 0;
    t.Head.Shft = 1;
    const TSendEntry entry = t.Head.Entry;
    ConvertToFreeBits(*tc, t);
    EXPECT_EQ(t.DataCount, 8 * (4 + 4 + 5 + 2));
    EXPECT_EQ(t.Data[0], 0x68);
    EXPECT_EQ(t.Data[5], 6);  // the next sequence number
    EXPECT_EQ(std::memcmp(&t.Head.Entry, &entry, sizeof entry), 0);
    EXPECT_EQ(tc->emse1.StationState[0].W2, 0u);
    EXPECT_EQ(tc->emse1.TxBuffer.FrameLen, 0);

    tc->general.ProtocolVariant = 1;
    tc->run.UserDataOffset = 8;
    ConvertToFreeBits(*tc, t);
    EXPECT_EQ(t.DataCount, 69 + 2);  // the packed bits, check bits included
}

}  // namespace
}  // namespace vadrix

namespace vadrix {
namespace {

TEST(TypeChange, TemplateNameAndFieldGroups) {
    testing::TestContext tc;
    ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    TSendTelegram t;
    t.Head.Entry.Typ = 5;
    t.Head.Entry.TelNr = 77;
    t.Head.Entry.Lg = 7;
    t.Head.Entry.B[3] = 0xA5;
    t.Head.Bez.assign("mine");
    const TSendTelegram stored = t;
    int previous = -1;
    // Filling the form keeps the stored name and entry.
    EXPECT_TRUE(ApplyTypeChange(*tc, t, previous, 5));
    EXPECT_EQ(std::memcmp(&t, &stored, sizeof t), 0);
    EXPECT_FALSE(ApplyTypeChange(*tc, t, previous, 5));
    EXPECT_TRUE(ApplyTypeChange(*tc, t, previous, 12));
    EXPECT_EQ(t.Head.Bez.str(), std::string(tc->Txt(50 + 12)).substr(0, 27));
    const TypeTemplate tpl = TypeTemplateOf(*tc, 12);
    EXPECT_EQ(t.Head.Entry.TelNr, tpl.TelNr);
    EXPECT_EQ(t.Head.Entry.Lg, tpl.Lg);
    EXPECT_EQ(t.Head.Entry.Typ, 12);

    EXPECT_FALSE(TypeViewOf(44, 4).groupB);
    EXPECT_EQ(TypeViewOf(76, 4).stationLabel, 245);
    EXPECT_TRUE(TypeViewOf(3, 2).groupB);
    EXPECT_EQ(TypeViewOf(3, 2).infoFields, 2);
    EXPECT_EQ(TypeViewOf(3, 5).infoFields, 5);
    EXPECT_TRUE(TypeViewOf(78, 0).memo);
    EXPECT_EQ(TypeViewOf(77, 0).memoHint, 801);
}

}  // namespace
}  // namespace vadrix
