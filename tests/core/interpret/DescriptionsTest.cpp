// The object description file: what a line gives, which lines are comments or errors, how
// errors are reported, the cap of the index, and the class derivation.

#include <gtest/gtest.h>

#include <string>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "interpret/Descriptions.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix {
namespace {

using testing::TempDir;
using testing::TestContext;

class DescriptionsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ctx->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    }
    bool Load(const std::string& content) {
        file = dir.Write("objects.txt", content);
        return LoadDescriptions(*ctx, d, file);
    }

    TestContext ctx;
    TempDir dir;
    std::filesystem::path file;
    Descriptions d;
};

TEST_F(DescriptionsTest, RangeLineGivesOneEntryPerNumberWithItsColours) {
    ASSERT_TRUE(Load("0;2;100-102;3-0;Pump station;\r\n"));
    EXPECT_EQ(d.PairCount(), 3u);
    for (int n : {100, 101, 102}) {
        const int i = FindDescription(d, n, 2, false);
        ASSERT_GE(i, 0) << n;
        EXPECT_EQ(DescName(d, i), "Pump station");
        EXPECT_EQ(DescClass(d, i), 0);
        EXPECT_EQ(DescColours(d, i).font, 3);
        EXPECT_EQ(DescColours(d, i).background, 0);  // the record's own background stays
    }
    EXPECT_EQ(FindDescription(d, 99, 2, false), -1);
    EXPECT_EQ(FindDescription(d, 103, 2, false), -1);
    EXPECT_EQ(FindDescription(d, 100, 2, true), -1);
    EXPECT_EQ(FindDescription(d, 100, 1, false), -1);
    EXPECT_TRUE(ctx.ui.messages.empty());
    EXPECT_EQ(ctx->settings.DescriptionFile.view(), file.string());
}

TEST_F(DescriptionsTest, FieldsKeysAndSorting) {
    ASSERT_TRUE(
        Load(" 1 ; 3 ; 1023 ; 0 ;Last;PO7;anything after\n"
             "0;0; 5 ;;" +
             std::string(100, 'n') +
             ";sf20\n"
             "1;1;7;0-12;Back only;PF6B\n"
             "0;1;9-8;3;Reversed range;\n"));
    EXPECT_EQ(d.PairCount(), 3u);  // the reversed range gives nothing, but is no error
    EXPECT_TRUE(ctx.ui.messages.empty());
    const int last = FindDescription(d, 1023, 3, true);
    EXPECT_EQ(DescName(d, last), "Last");
    EXPECT_EQ(DescClass(d, last), 25);
    EXPECT_EQ(DescColours(d, last).font, 0);
    const int five = FindDescription(d, 5, 0, false);
    EXPECT_EQ(DescName(d, five), std::string(79, 'n'));
    EXPECT_EQ(DescClass(d, five), 45);
    const int seven = FindDescription(d, 7, 1, true);
    EXPECT_EQ(DescClass(d, seven), 7);
    EXPECT_EQ(DescColours(d, seven).font, 0);
    EXPECT_EQ(DescColours(d, seven).background, 12);
    EXPECT_EQ(DescName(d, -1), "");
    EXPECT_EQ(DescClass(d, -1), 0);
    EXPECT_EQ(DescColours(d, -1).font, 0);
}

TEST_F(DescriptionsTest, CommentsAreNeitherEntriesNorErrors) {
    ASSERT_TRUE(
        Load(";0;2;100;3;starts with the separator\n"
             "no separator at all\n"
             "\n"
             "0;2;100;;ok;\n"));
    EXPECT_EQ(d.PairCount(), 1u);
    EXPECT_TRUE(ctx.ui.messages.empty());
}

TEST_F(DescriptionsTest, FaultyFieldsMakeTheLineAnError) {
    const char* lines[] = {
        "0;2;1024;;number too big;",
        "0;4;100;;kind 4;",
        "0;2;100;20;colour 20;",
        "0;2;100;3-20;background 20;",
        "2;2;100;;sequenced 2;",
        "x;2;100;;not a number;",
        "0;2;;;no number;",
        "0;2;1-x;;bad range;",
        "0;2;100;;;XX1",
        "0;2;100;;;PF6",
        "0;2;100;;;PF0",
        "0;2;100;;;PF18",
        "0;2;100;;;PO8",
        "0;2;100;;;PF1X",
        "0;2;100;;;FP1",
    };
    for (const char* line : lines) {
        ctx.ui.messages.clear();
        ASSERT_TRUE(Load(std::string("0;0;1;;good;\n") + line + "\n"));
        EXPECT_EQ(d.PairCount(), 1u) << line;
        ASSERT_EQ(ctx.ui.messages.size(), 1u) << line;
        const std::string expected =
            FormatText(ctx->Txt(txt::kDescErrorsFormat), {file.string(), 1}) + "\r\n" +
            std::string(ctx->Txt(txt::kDescErrorRow)) + "2";
        EXPECT_EQ(ctx.ui.messages[0].text, expected) << line;
        EXPECT_EQ(ctx.ui.messages[0].kind, MessageKind::kError);
    }
}

TEST_F(DescriptionsTest, ClassCodes) {
    const struct {
        const char* code;
        int cls;
    } cases[] = {
        {"PF1", 1},  {"pf5", 5},  {"PF6A", 6},   {"PF6b", 7},  {"PF7", 8},  {"PF17", 18},
        {"PO1", 19}, {"PO7", 25}, {"SF1", 26},   {"SF20", 45}, {"SO1", 46}, {"SO32", 77},
        {"PS1", 1},  {"PU2", 20}, {" ss3 ", 28}, {"SU32", 77},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(std::string("0;0;1;;x;") + c.code + "\n"));
        EXPECT_TRUE(ctx.ui.messages.empty()) << c.code;
        EXPECT_EQ(DescClass(d, FindDescription(d, 1, 0, false)), c.cls) << c.code;
    }
}

TEST_F(DescriptionsTest, TwentyFiveFaultyLinesAreListedInThreeRows) {
    std::string content;
    for (int i = 1; i <= 30; ++i) content += i <= 25 ? "0;9;1;;bad;\n" : "0;0;1;;good;\n";
    ASSERT_TRUE(Load(content));
    ASSERT_EQ(ctx.ui.messages.size(), 1u);
    std::string expected = FormatText(ctx->Txt(txt::kDescErrorsFormat), {file.string(), 25});
    for (int i = 1; i <= 25; ++i) {
        expected += i % 10 == 1 ? "\r\n" + std::string(ctx->Txt(txt::kDescErrorRow)) : ",  ";
        expected += std::to_string(i);
    }
    EXPECT_EQ(ctx.ui.messages[0].text, expected);
}

TEST_F(DescriptionsTest, OnlyTheFirst201ErrorsAreListedButAllCounted) {
    std::string content;
    for (int i = 0; i < 300; ++i) content += "0;9;1;;bad;\n";
    ASSERT_TRUE(Load(content));
    ASSERT_EQ(ctx.ui.messages.size(), 1u);
    const std::string& text = ctx.ui.messages[0].text;
    EXPECT_EQ(text.rfind(FormatText(ctx->Txt(txt::kDescErrorsFormat), {file.string(), 300}), 0),
              0u);
    EXPECT_NE(text.find(std::string(ctx->Txt(txt::kDescErrorRow)) + "201"), std::string::npos);
    EXPECT_EQ(text.find(",  202"), std::string::npos);
}

TEST_F(DescriptionsTest, IndexIsCappedAt32000Pairs) {
    std::string content;
    for (int line = 0; line < 31; ++line) content += "0;0;0-1023;;first;\n";
    content += "1;3;0-1023;;cut;\n";  // 256 numbers still fit
    content += "1;2;5;;dropped;\n";
    ASSERT_TRUE(Load(content));
    EXPECT_EQ(d.PairCount(), Descriptions::kMaxPairs);
    EXPECT_TRUE(ctx.ui.messages.empty());
    EXPECT_EQ(DescName(d, FindDescription(d, 255, 3, true)), "cut");
    EXPECT_EQ(FindDescription(d, 256, 3, true), -1);
    EXPECT_EQ(FindDescription(d, 5, 2, true), -1);
    EXPECT_EQ(DescName(d, FindDescription(d, 1023, 0, false)), "first");
}

TEST_F(DescriptionsTest, MissingFileLoadsNothingAndSaysNothing) {
    ASSERT_TRUE(Load("0;0;1;;kept;\n"));
    EXPECT_FALSE(LoadDescriptions(*ctx, d, dir / "absent.txt"));
    EXPECT_GE(FindDescription(d, 1, 0, false), 0);
    EXPECT_TRUE(ctx.ui.messages.empty());
}

TEST_F(DescriptionsTest, GarbageNeverCrashes) {
    std::string content;
    std::uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245u + 12345u;
        const char c = static_cast<char>(x >> 16);
        content.push_back(c == 0 ? ';' : (x >> 8) % 5 == 0 ? ';' : (x >> 9) % 7 == 0 ? '\n' : c);
    }
    ASSERT_TRUE(Load(content));
    for (std::size_t i = 0; i < d.PairCount(); ++i)
        EXPECT_LE(DescName(d, static_cast<int>(i)).size(), 79u);
}

// Every case of the class table; results are before the + 1 of InfoClass.
TEST(DeriveClass, WholeTable) {
    struct Case {
        int telNo, kind, lc;
        bool seq;
        int type17, expected;
    };
    const Case cases[] = {
        // kind not 0, sequenced
        {5, 1, 2, true, 0, 2},
        {600, 2, 3, true, 0, 7},
        {100, 1, 4, true, 0, 3},
        {1016, 3, 4, true, 0, 40},
        {1020, 3, 4, true, 0, 41},
        {1016, 1, 4, true, 0, 10},
        {600, 1, 4, true, 0, 10},
        {100, 1, 5, true, 0, 5},
        {600, 1, 5, true, 0, 8},
        {100, 1, 6, true, 0, 4},
        {100, 1, 6, true, 1, 4},
        {600, 1, 6, true, 1, 17},
        {600, 1, 6, true, 0, 11},
        {600, 1, 7, true, 1, 17},
        {600, 1, 7, true, 0, 9},
        {600, 1, 0, true, 0, -1},
        {600, 1, 1, true, 0, -1},
        // kind not 0, not sequenced
        {255, 2, 0, false, 0, 18},
        {256, 2, 0, false, 0, 23},
        {1, 2, 2, false, 0, 22},
        {1, 2, 3, false, 0, 19},
        {1, 2, 4, false, 0, 24},
        {1, 2, 5, false, 0, 20},
        {1, 2, 7, false, 0, 21},
        {1, 2, 1, false, 0, 17},
        {1, 2, 6, false, 1, 17},
        // kind 0, not sequenced
        {512, 0, 0, false, 0, 45},
        {519, 0, 0, false, 0, 48},
        {520, 0, 0, false, 0, 49},
        {768, 0, 0, false, 0, 58},
        {769, 0, 0, false, 0, 59},
        {770, 0, 0, false, 0, 60},
        {780, 0, 0, false, 0, 67},
        {790, 0, 0, false, 0, 69},
        {796, 0, 0, false, 0, 75},
        {797, 0, 0, false, 0, 44},
        {789, 0, 0, false, 0, 44},
        {513, 0, 2, false, 0, 46},
        {514, 0, 2, false, 0, 47},
        {519, 0, 2, false, 0, 48},
        {521, 0, 2, false, 0, 50},
        {524, 0, 2, false, 0, 53},
        {525, 0, 2, false, 0, 54},
        {526, 0, 2, false, 0, 55},
        {530, 0, 2, false, 0, 56},
        {531, 0, 2, false, 0, 57},
        {772, 0, 2, false, 0, 64},
        {779, 0, 2, false, 0, 66},
        {781, 0, 2, false, 0, 68},
        {512, 0, 2, false, 0, 44},
        {522, 0, 4, false, 0, 51},
        {523, 0, 4, false, 0, 52},
        {770, 0, 4, false, 0, 61},
        {773, 0, 4, false, 0, 65},
        {512, 0, 4, false, 0, 44},
        {1, 0, 5, false, 0, 63},
        {1, 0, 6, false, 0, 62},
        {512, 0, 1, false, 0, 44},
        {512, 0, 3, false, 0, 44},
        {512, 0, 7, false, 0, 44},
        // kind 0, sequenced
        {512, 0, 0, true, 0, 25},
        {768, 0, 0, true, 0, 29},
        {769, 0, 0, true, 0, 30},
        {770, 0, 0, true, 0, 31},
        {1, 0, 0, true, 0, 24},
        {772, 0, 2, true, 0, 34},
        {1022, 0, 2, true, 0, 42},
        {1023, 0, 2, true, 0, 43},
        {1, 0, 2, true, 0, 24},
        {515, 0, 4, true, 0, 26},
        {767, 0, 4, true, 0, 28},
        {770, 0, 4, true, 0, 32},
        {773, 0, 4, true, 0, 35},
        {781, 0, 4, true, 0, 37},
        {1012, 0, 4, true, 0, 39},
        {1016, 0, 4, true, 0, 40},
        {1020, 0, 4, true, 0, 41},
        {1, 0, 4, true, 0, 24},
        {1, 0, 5, true, 0, 5},
        {800, 0, 5, true, 0, 5},
        {511, 0, 6, true, 0, 6},
        {515, 0, 6, true, 0, 27},
        {770, 0, 6, true, 0, 33},
        {780, 0, 6, true, 0, 36},
        {782, 0, 6, true, 0, 38},
        {512, 0, 6, true, 0, 24},
        {1, 0, 1, true, 0, 24},
        {1, 0, 3, true, 0, 24},
        {1, 0, 7, true, 0, 24},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeriveClass(c.telNo, c.kind, c.lc, c.seq, c.type17), c.expected)
            << c.telNo << " kind " << c.kind << " lc " << c.lc << " seq " << c.seq;
    // Whatever the fields, the class names stay inside the class texts 50..126.
    for (int t = 0; t < 1024; ++t)
        for (int k = 0; k < 4; ++k)
            for (int l = 0; l < 8; ++l)
                for (int s = 0; s < 2; ++s) {
                    const int r = DeriveClass(t, k, l, s == 1, 1);
                    ASSERT_GE(r, -1);
                    ASSERT_LE(r, 76);
                }
}

}  // namespace
}  // namespace vadrix
