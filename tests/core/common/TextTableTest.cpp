// The language file rules: numbering, comments, limits and the six error messages.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "common/TextTable.h"
#include "support/TempDir.h"

namespace vadrix {
namespace {

std::string Numbered(int n, std::string_view text) {
    char head[16];
    std::snprintf(head, sizeof head, "%4d  ", n);
    return head + std::string(text) + "\r\n";
}

// Texts first..last, every line numbered, each text "T" followed by its number.
std::string Texts(int first, int last) {
    std::string s;
    for (int n = first; n <= last; ++n) s += Numbered(n, "T" + std::to_string(n));
    return s;
}

std::string Unnumbered(std::string_view text) {
    return "      " + std::string(text) + "\n";
}

TextLoadResult Load(TTextTable& t, const std::string& content) {
    return t.LoadBytes(content, "/lang/Q5Text.ger");
}

TEST(TextTable, LoadsTextsZeroTo999AndFallsBackToTheFirstText) {
    TTextTable t;
    ASSERT_TRUE(Load(t, Texts(0, 999)).ok());
    EXPECT_EQ(t.Txt(0), "T0");
    EXPECT_EQ(t.Txt(999), "T999");
    EXPECT_EQ(t.Txt(1000), "T0");  // beyond the last line of the file
    EXPECT_EQ(t.Txt(1999), "T0");
}

struct FailingCase {
    const char* name;
    std::string content;
    TextLoadError error;
    int line;
    std::string detail;  // what follows the line number and CR LF
};

std::vector<FailingCase> FailingCases() {
    const std::string upTo3 = Texts(0, 3);
    return {
        {"ends with text 998", Texts(0, 998), TextLoadError::kMissing, 1000, "/lang/Q5Text.ger"},
        {"empty file", "", TextLoadError::kMissing, 1, "/lang/Q5Text.ger"},
        {"number jumps from 4 to 5", upTo3 + Numbered(5, "five"), TextLoadError::kNumberJumps, 5,
         "   5  five"},
        {"letters in the number field", upTo3 + "  x4  text\n", TextLoadError::kNumberWrong, 5,
         "  x4  text"},
        {"trailing blank in the number field", upTo3 + " 4    text\n", TextLoadError::kNumberWrong,
         5, " 4    text"},
        {"number 2001", upTo3 + "2001  text\n", TextLoadError::kNumberWrong, 5, "2001  text"},
        {"number 2000 after 1999", Texts(0, 1999) + "2000  more\n", TextLoadError::kTooManyLines,
         2001, "2000  more"},
        {"unnumbered line after 1999", Texts(0, 1999) + Unnumbered("more"),
         TextLoadError::kTooManyLines, 2001, "      more"},
    };
}

TEST(TextTable, FailingFilesGiveTheirMessageLineAndDetail) {
    for (const FailingCase& c : FailingCases()) {
        SCOPED_TRACE(c.name);
        TTextTable t;
        const TextLoadResult r = Load(t, c.content);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.line, c.line);
        char number[16];
        std::snprintf(number, sizeof number, "%5d", c.line);
        EXPECT_EQ(r.message,
                  std::string(TextLoadErrorMessage(c.error)) + number + "\r\n" + c.detail);
    }
}

TEST(TextTable, TheSixMessagesAreFixed) {
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kMemory), "Error on memory allocation");
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kMissing), "Program text missing/wrong");
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kNumberWrong), "Text number wrong, line:");
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kNumberJumps), "Line number jumps, line:");
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kTooMuchText), "Too many text, line:");
    EXPECT_EQ(TextLoadErrorMessage(TextLoadError::kTooManyLines), "Too many lines, line:");
}

TEST(TextTable, NumberEighteenIsAcceptedOutOfTurn) {
    TTextTable t;
    std::string s = Texts(0, 3) + Numbered(18, "eighteen") + Unnumbered("nineteen");
    s += Texts(20, 1000);
    ASSERT_TRUE(Load(t, s).ok());
    EXPECT_EQ(t.Txt(18), "eighteen");
    EXPECT_EQ(t.Txt(19), "nineteen");
    EXPECT_EQ(t.Txt(4), "T0");  // skipped numbers read as the first text
}

TEST(TextTable, AFileMayStartAtEighteen) {
    TTextTable t;
    ASSERT_TRUE(Load(t, Texts(18, 1017)).ok());
    EXPECT_EQ(t.Txt(0), "T18");
    EXPECT_EQ(t.Txt(17), "T18");
    EXPECT_EQ(t.Txt(1017), "T1017");
}

TEST(TextTable, LineRulesForCommentsSemicolonsAndBlanks) {
    TTextTable t;
    std::string s = Numbered(0, "zero");
    s += "; a comment line takes no number\n";
    s += "   1 \n";    // six characters: skipped
    s += "      x\n";  // seven characters, four blanks: text 1, one character
    s += Numbered(2, "Port A;comment");
    s += Numbered(3, "a;b;c");
    s += Numbered(4, "blanks   ");  // without a semicolon trailing blanks stay
    s += "\r";                      // an empty line ended by CR alone
    s += Numbered(5, "after CR") + Texts(6, 999);
    ASSERT_TRUE(Load(t, s).ok());
    EXPECT_EQ(t.Txt(1), "x");
    EXPECT_EQ(t.Txt(2), "Port A");
    EXPECT_EQ(t.Txt(3), "a;b");
    EXPECT_EQ(t.Txt(4), "blanks   ");
    EXPECT_EQ(t.Txt(5), "after CR");
}

TEST(TextTable, LinesAreCutTo255CharactersAndTheAreaIsLimited) {
    TTextTable t;
    std::string s = Numbered(0, std::string(300, 'a'));
    s += Texts(1, 999);
    ASSERT_TRUE(Load(t, s).ok());
    EXPECT_EQ(t.Txt(0).size(), 249u);

    // 100 texts of 249 characters fill 25000 bytes: text 95 is the one that no longer fits.
    std::string big;
    for (int n = 0; n < 100; ++n) big += Numbered(n, std::string(249, 'b'));
    const TextLoadResult r = Load(t, big);
    EXPECT_EQ(r.error, TextLoadError::kTooMuchText);
    EXPECT_EQ(r.line, 96);
    EXPECT_EQ(t.Txt(95).size(), 249u);  // what was read before the failing line stays
}

TEST(TextTable, ReplacingATextDisturbsNoOther) {
    TTextTable t;
    ASSERT_TRUE(Load(t, Texts(0, 999)).ok());
    t.ReplaceTxt(498, std::string(200, 'v'));
    EXPECT_EQ(t.Txt(498), std::string(200, 'v'));
    EXPECT_EQ(t.Txt(497), "T497");
    EXPECT_EQ(t.Txt(499), "T499");
    t.ReplaceTxt(498, "short");
    EXPECT_EQ(t.Txt(498), "short");
}

TEST(TextTable, AnyContentGivesOneOfTheSixResultsWithoutReadingPastItsBuffer) {
    std::mt19937 rng(7);
    const std::string valid = Texts(0, 1200);
    for (int round = 0; round < 300; ++round) {
        std::string s = valid;
        if (round % 3 == 0) {
            s.resize(rng() % 4000);
            for (char& c : s) c = static_cast<char>(rng());
        } else {
            for (int k = 0; k < 1 + round % 20; ++k) s[rng() % s.size()] = static_cast<char>(rng());
        }
        TTextTable t;
        const TextLoadResult r = Load(t, s);
        EXPECT_LE(static_cast<int>(r.error), 6);
        for (int n = 0; n < TTextTable::kCapacity; n += 37) EXPECT_LE(t.Txt(n).size(), 249u);
    }
}

TEST(TextTable, MissingFileIsProgramTextMissing) {
    testing::TempDir dir;
    TTextTable t;
    const TextLoadResult r = t.LoadFile(dir / "Q5Text.ger");
    EXPECT_EQ(r.error, TextLoadError::kMissing);
    EXPECT_NE(r.message.find((dir / "Q5Text.ger").string()), std::string::npos);
    const auto file = dir.Write("Q5Text.usa", Texts(0, 1000));
    EXPECT_TRUE(t.LoadFile(file).ok());
    EXPECT_EQ(LanguageFilePath(dir.path(), 1), file);
    EXPECT_EQ(LanguageFilePath(dir.path(), 0), dir / "Q5Text.ger");
}

TEST(TextTable, InstalledLanguageFilesAreFoundInShareWhenNotBesideTheProgram) {
    testing::TempDir dir;
    const auto bin = dir / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(dir / "share/vadrix");
    const auto installed = dir.Write("share/vadrix/Q5Text.usa", Texts(0, 1000));
    EXPECT_EQ(LanguageFilePath(bin, 1), installed);
    EXPECT_EQ(LanguageFilePath(bin, 0), bin / "Q5Text.ger");  // neither: the name beside
    const auto beside = dir.Write("bin/Q5Text.usa", Texts(0, 1000));
    EXPECT_EQ(LanguageFilePath(bin, 1), beside);  // beside the program wins
}

TEST(CommaText, ItemsAreSeparatedByCommasOrBlanksUnlessQuoted) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ParseCommaText("a,b,c"), (V{"a", "b", "c"}));
    EXPECT_EQ(ParseCommaText(" a , b "), (V{"a", "b"}));
    EXPECT_EQ(ParseCommaText("one two"), (V{"one", "two"}));
    EXPECT_EQ(ParseCommaText("\"with blank\",\"a,b\",x"), (V{"with blank", "a,b", "x"}));
    EXPECT_EQ(ParseCommaText("\"say \"\"hi\"\"\""), (V{"say \"hi\""}));
    EXPECT_EQ(ParseCommaText("a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(ParseCommaText("a,"), (V{"a", ""}));
    EXPECT_EQ(ParseCommaText(""), V{});
    EXPECT_EQ(ParseCommaText("\"open"), (V{"open"}));
}

TEST(Cp1252, ConvertsBothWays) {
    const std::string cp = "\xC4nderung \x80 \x96 \xDF";  // Ä, euro sign, en dash, ß
    const std::string utf8 = Cp1252ToUtf8(cp);
    EXPECT_EQ(utf8, "\xC3\x84nderung \xE2\x82\xAC \xE2\x80\x93 \xC3\x9F");
    EXPECT_EQ(Utf8ToCp1252(utf8), cp);
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // not in CP1252
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");          // cut sequence
}

}  // namespace
}  // namespace vadrix
