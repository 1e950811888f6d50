// The shipped language files load through the real loader and hold, in both languages, every
// text the program asks for, with the characters, lists, codes and format strings it relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextIds.h"
#include "common/TextTable.h"

namespace vadrix {
namespace {

struct Language {
    const char* extension;
    TTextTable table;
};

// Loaded once for all tests: the files are large and never change during a run.
class LanguageFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (auto& lang : languages_) {
            const std::string path =
                std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text." + lang.extension;
            results_.push_back(lang.table.LoadFile(path));
        }
    }

    static std::string Text(const Language& lang, int n) { return std::string(lang.table.Txt(n)); }

    static inline Language languages_[2] = {{"ger", {}}, {"usa", {}}};
    static inline std::vector<TextLoadResult> results_;
};

std::optional<int> ToInt(std::string_view s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::string Trim(std::string s) {
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), [&](char c) { return !blank(c); }));
    return s;
}

// The conversions of a printf-style format text, in order, without flags or widths ("%5d" and
// "%d" are both 'd'; hexadecimal in either case is 'x'; "%%" is no conversion).
std::string Conversions(std::string_view text) {
    static const std::regex kPlaceholder(R"(%(%|[-+0#]*[0-9]*(?:\.[0-9]+)?([sdiuxXfc])))");
    std::string out;
    const std::string s(text);
    for (auto it = std::sregex_iterator(s.begin(), s.end(), kPlaceholder);
         it != std::sregex_iterator(); ++it) {
        if ((*it)[1] == "%") continue;
        const char c = (*it)[2].str()[0];
        out += c == 'X' ? 'x' : c == 'i' ? 'd' : c;
    }
    return out;
}

// Every number the program asks for: each single constant, every text of each range, the
// count and items of each list as the language's own count text gives them, and the hint
// after each field label.
std::set<int> Inventory(const TTextTable& table) {
    std::set<int> all(std::begin(txt::kAllTextIds), std::end(txt::kAllTextIds));
    for (const auto& r : txt::kAllTextRanges)
        for (int i = 0; i < r.count; ++i) all.insert(r.first + i);
    const auto count = [&](int n) { return ToInt(table.Txt(n)).value_or(0); };
    for (const int n : txt::kChoiceLists)
        for (int i = 0; i < count(n + 1) + 2; ++i) all.insert(n + i);
    for (const int n : txt::kCountedTexts)
        for (int i = 0; i <= count(n); ++i) all.insert(n + i);
    for (const int n : txt::kFieldLabels) all.insert({n, n + 1});
    return all;
}

bool InRange(int n) {
    return std::any_of(
        std::begin(txt::kAllTextRanges), std::end(txt::kAllTextRanges),
        [n](const txt::TextRange& r) { return n >= r.first && n < r.first + r.count; });
}

TEST_F(LanguageFiles, LoadWithoutError) {
    for (std::size_t i = 0; i < results_.size(); ++i) {
        SCOPED_TRACE(languages_[i].extension);
        EXPECT_TRUE(results_[i].ok()) << results_[i].message;
        EXPECT_GE(languages_[i].table.TextsLoaded(), TTextTable::kMinTexts);
        EXPECT_LT(languages_[i].table.AreaUsed(), TTextTable::kAreaLimit);
    }
}

// A number the file does not reach reads as text 0, so a text equal to text 0 means a missing
// line; "-" (the filler of unused numbers) is a real text only as a menu separator in a range.
TEST_F(LanguageFiles, EveryUsedNumberHasARealText) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        const std::string first = Text(lang, 0);
        for (const int n : Inventory(lang.table)) {
            const std::string t = Text(lang, n);
            EXPECT_FALSE(t.empty()) << "text " << n;
            if (n != 0) {
                EXPECT_NE(t, first) << "text " << n << " falls back to text 0";
            }
            if (!InRange(n)) {
                EXPECT_NE(t, "-") << "text " << n << " is only a filler";
            }
        }
    }
}

TEST_F(LanguageFiles, ChoiceListCountsMatchTheirItems) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        for (const int n : txt::kChoiceLists) {
            const auto count = ToInt(Text(lang, n + 1));
            ASSERT_TRUE(count.has_value()) << "count of list " << n;
            EXPECT_GE(*count, 1) << "list " << n;
            EXPECT_EQ(Text(lang, n + 1), Text(languages_[0], n + 1)) << "list " << n;
            for (int i = 0; i < *count; ++i) {
                const int item = n + 2 + i;
                EXPECT_NE(Text(lang, item), "-") << "item " << item << " of list " << n;
            }
        }
        for (const int n : txt::kCountedTexts) {
            const auto count = ToInt(Text(lang, n));
            ASSERT_TRUE(count.has_value()) << "count text " << n;
            for (int i = 1; i <= *count; ++i) EXPECT_NE(Text(lang, n + i), "-") << n + i;
        }
        for (const auto& list : txt::kCommaTextLists)
            EXPECT_EQ(ParseCommaText(lang.table.Txt(list.text)).size(),
                      static_cast<std::size_t>(list.items))
                << "comma text " << list.text;
    }
}

TEST_F(LanguageFiles, CountedTextsStayWithinTheirDialogs) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        EXPECT_LE(ToInt(Text(lang, txt::kOptionCount)).value_or(99), 16);
        EXPECT_LE(ToInt(Text(lang, txt::kLinkTestCount)).value_or(99), 12);
        EXPECT_EQ(ToInt(Text(lang, txt::kTypeList + 1)), 77);
    }
}

// The conversions each format text must carry, in the order the program passes its values.
TEST_F(LanguageFiles, FormatTextsTakeThePlaceholdersThePartsPass) {
    const struct {
        int text;
        const char* conversions;
    } kFormats[] = {
        {txt::kValueFormatBase, "f"},
        {txt::kValueFormatBase + 1, "f"},
        {txt::kValueFormatBase + 2, "f"},
        {txt::kValueFormatBase + 3, "f"},
        {txt::kValueFormatOverflow, "f"},
        {txt::kStatusTextBase + 48, "d"},
        {txt::kStatusTextBase + 49, "d"},
        {txt::kCounterPairFormat, "sdd"},
        {txt::kGroupFormat, "ddd"},
        {txt::kObjectFormat, "dddd"},
        {txt::kDateTimeFormat, "dddddd"},
        {txt::kDurationFormat, "df"},
        {txt::kCounterFlagsFormat, "dddd"},
        {txt::kTapFormat, "dx"},
        {txt::kStationStateFormat, "ddxxxx"},
        {txt::kBadRangeFormat, "s"},
        {txt::kReadCountFormat, "ds"},
        {txt::kWriteCountFormat, "ds"},
        {txt::kNoAnswerFormat, "ds"},
        {txt::kBlockFormat, "dxx"},
        {txt::kDifferenceFormat, "xxx"},
        {txt::kCommandFormat, "ds"},
        {txt::kEchoFormat, "ds"},
        {txt::kAskSaveSendFile, "s"},
        {txt::kAskDeleteLog, "s"},
        {txt::kDescErrorsFormat, "sd"},
    };
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        for (const auto& f : kFormats)
            EXPECT_EQ(Conversions(lang.table.Txt(f.text)), f.conversions) << "text " << f.text;
    }
}

TEST_F(LanguageFiles, PlaceholdersAgreeBetweenTheLanguages) {
    for (int n = 0; n < TTextTable::kCapacity; ++n)
        EXPECT_EQ(Conversions(languages_[0].table.Txt(n)), Conversions(languages_[1].table.Txt(n)))
            << "text " << n;
}

// Columns of the status table are "width,heading"; every cell holds at most 15 characters.
TEST_F(LanguageFiles, StatusTableColumnsAndCellsFit) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        for (const int base : {txt::kStatusTableMonitorBase, txt::kStatusTableDirectBase}) {
            int width = 4;
            for (int c = 0; c < 11; ++c) {
                const std::string t = Text(lang, base + 3 + c);
                const auto comma = t.find(',');
                ASSERT_NE(comma, std::string::npos) << "column text " << base + 3 + c;
                const auto w = ToInt(std::string_view(t).substr(0, comma));
                ASSERT_TRUE(w.has_value()) << t;
                EXPECT_GE(*w, 20) << t;
                EXPECT_LE(*w, 200) << t;
                EXPECT_LE(t.size() - comma - 1, 15u) << t;
                width += *w;
            }
            EXPECT_LE(width, 800) << "table of base " << base;
            for (int r = 0; r < 3; ++r) EXPECT_LE(Text(lang, base + r).size(), 15u);
        }
        const struct {
            int base;
            int count;
        } kCells[] = {{txt::kModulationItemBase, 11},
                      {txt::kCheckCodeItemBase, 3},
                      {txt::kFunctionItemBase, 3},
                      {txt::kParityItemBase, 5},
                      {txt::kTrafficCellBase, 2}};
        for (const auto& cell : kCells)
            for (int i = 0; i < cell.count; ++i)
                EXPECT_LE(Text(lang, cell.base + i).size(), 15u) << "cell text " << cell.base + i;
    }
}

// The send list grid's type code lookup, written out independently of the editor.
int TypeFromCode(std::string_view codes, std::string code) {
    for (auto& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    code = Trim(code);
    if (code.size() < 3) return -1;
    const auto found = codes.find(code.substr(0, 2));
    if (found == std::string_view::npos || found % 2 != 0) return -1;
    const int p = static_cast<int>(found) + 1;
    const int group = p <= 7 ? (p - 1) / 2 : (p - 9) / 2;
    if (!std::isdigit(static_cast<unsigned char>(code[2]))) return -1;
    const bool two = code.size() > 3 && std::isdigit(static_cast<unsigned char>(code[3]));
    int n = two ? (code[2] - '0') * 10 + (code[3] - '0') : code[2] - '0';
    const std::string rest = code.substr(two ? 4 : 3);
    constexpr int kMax[] = {17, 7, 20, 32};
    constexpr int kBase[] = {0, 18, 25, 45};
    if (n < 1 || n > kMax[group]) return -1;
    if (group == 0 && n == 6) {
        if (rest != "A" && rest != "B") return -1;
        n = rest == "A" ? 6 : 7;
    } else if (!rest.empty()) {
        return -1;
    } else if (group == 0 && n >= 7) {
        ++n;
    }
    return n - 1 + kBase[group];
}

int GroupOfType(int t) {
    return t < 18 ? 0 : t < 25 ? 1 : t < 45 ? 2 : 3;
}

TEST_F(LanguageFiles, TypeCodesAndClassCodesAgree) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        const std::string codes = Text(lang, txt::kClassCodes);
        ASSERT_EQ(codes.size(), 16u);
        constexpr int kGroupFirstType[] = {0, 18, 25, 45};
        for (int i = 0; i < 8; ++i) {
            const std::string code = codes.substr(2 * i, 2);
            EXPECT_EQ(codes.find(code), static_cast<std::size_t>(2 * i)) << code;
            EXPECT_EQ(TypeFromCode(codes, code + "1"), kGroupFirstType[i % 4]) << code;
        }
        for (int t = 0; t < 77; ++t) {
            const std::string name = Text(lang, txt::kTypeNameBase + t);
            ASSERT_GE(name.size(), 7u) << "type " << t;
            EXPECT_LE(name.size(), 27u) << name;
            const std::string code = name.substr(1, 4);
            EXPECT_EQ(TypeFromCode(codes, code), t) << name;
            const std::string letters = code.substr(0, 2);
            const int g = GroupOfType(t);
            EXPECT_TRUE(letters == codes.substr(2 * g, 2) || letters == codes.substr(8 + 2 * g, 2))
                << name;
        }
    }
    const std::string codes = Text(languages_[0], txt::kClassCodes);
    EXPECT_EQ(TypeFromCode(codes, "pf6b"), 6);
    EXPECT_EQ(TypeFromCode(codes, "PF6A"), 5);
    EXPECT_EQ(TypeFromCode(codes, "PF7"), 7);
    EXPECT_EQ(TypeFromCode(codes, "PF6"), -1);
    EXPECT_EQ(TypeFromCode(codes, "PO8"), -1);
    EXPECT_EQ(TypeFromCode(codes, "FS1"), -1);
}

// Template of type t: data kind (column 1), length code (3-4), telegram number (6-10),
// nine hexadecimal bytes from column 14.
TEST_F(LanguageFiles, TypeTemplatesReadInTheEditorColumns) {
    // Length codes the fresh send telegram slots 1 to 12 (types 0 to 11) are given.
    constexpr int kSlotLengthCodes[] = {4, 4, 2, 4, 6, 5, 6, 3, 5, 7, 4, 6};
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        for (int t = 0; t < 77; ++t) {
            const std::string tpl = Text(lang, txt::kTypeTemplateBase + t);
            ASSERT_EQ(tpl.size(), 31u) << "template " << t;
            const auto da = ToInt(tpl.substr(0, 1));
            const auto lg = ToInt(tpl.substr(2, 2));
            const auto telNo = ToInt(tpl.substr(5, 5));
            ASSERT_TRUE(da && lg && telNo) << tpl;
            EXPECT_LE(*da, 3) << tpl;
            EXPECT_LE(*lg, 7) << tpl;
            EXPECT_LE(*telNo, 1023) << tpl;
            EXPECT_TRUE(std::all_of(tpl.begin() + 13, tpl.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            })) << tpl;
            if (t < 12) {
                EXPECT_EQ(*lg, kSlotLengthCodes[t]) << "type " << t;
            }
        }
    }
}

// The telegram class a received telegram gets from its fields (type + 1), as interpretation
// derives it; written out here to check the templates against it (type-17 option off).
int DerivedType(int telNo, int kind, int lg, bool sequenced) {
    const auto pick = [telNo](std::initializer_list<std::pair<int, int>> m, int otherwise) {
        for (const auto& [t, type] : m)
            if (t == telNo) return type;
        return otherwise;
    };
    if (kind != 0 && sequenced) {
        constexpr int kByLg[] = {-1, -1, 2, 7, -1, -1, -1, 9};
        if (lg == 4) return telNo < 512 ? 3 : kind == 3 ? pick({{1016, 40}, {1020, 41}}, 10) : 10;
        if (lg == 5) return telNo < 512 ? 5 : 8;
        if (lg == 6) return telNo < 512 ? 4 : 11;
        return kByLg[lg];
    }
    if (kind != 0) {
        constexpr int kByLg[] = {-1, 0, 5, 2, 7, 3, 0, 4};
        return 17 + (lg == 0 ? (telNo < 256 ? 1 : 6) : kByLg[lg]);
    }
    if (!sequenced) {
        switch (lg) {
            case 0:
                if (telNo >= 790 && telNo <= 796) return telNo - 721;
                return pick(
                    {{512, 45}, {519, 48}, {520, 49}, {768, 58}, {769, 59}, {770, 60}, {780, 67}},
                    44);
            case 2:
                return pick({{513, 46},
                             {514, 47},
                             {519, 48},
                             {521, 50},
                             {524, 53},
                             {525, 54},
                             {526, 55},
                             {530, 56},
                             {531, 57},
                             {772, 64},
                             {779, 66},
                             {781, 68}},
                            44);
            case 4:
                return pick({{522, 51}, {523, 52}, {770, 61}, {773, 65}}, 44);
            case 5:
                return 63;
            case 6:
                return 62;
            default:
                return 44;
        }
    }
    switch (lg) {
        case 0:
            return pick({{512, 25}, {768, 29}, {769, 30}, {770, 31}}, 24);
        case 2:
            return pick({{772, 34}, {1022, 42}, {1023, 43}}, 24);
        case 4:
            return pick({{515, 26},
                         {767, 28},
                         {770, 32},
                         {773, 35},
                         {781, 37},
                         {1012, 39},
                         {1016, 40},
                         {1020, 41}},
                        24);
        case 5:
            return 5;
        case 6:
            return telNo < 512 ? 6 : pick({{515, 27}, {770, 33}, {780, 36}, {782, 38}}, 24);
        default:
            return 24;
    }
}

// A telegram sent from a type's template is shown under that type's name again, except for the
// types the fields cannot tell apart (commands, setpoints, counters and the like need a class
// from the object description file) and the short requests, which carry no telegram number.
TEST_F(LanguageFiles, TemplatesDeriveTheirOwnType) {
    const std::set<int> kNotDerivable = {0, 1, 12, 13, 14, 15, 16, 17, 44, 76};
    const auto& lang = languages_[0];
    for (int t = 0; t < 77; ++t) {
        if (kNotDerivable.count(t)) continue;
        const std::string tpl = Text(lang, txt::kTypeTemplateBase + t);
        const bool sequenced = GroupOfType(t) == 0 || GroupOfType(t) == 2;
        EXPECT_EQ(DerivedType(ToInt(tpl.substr(5, 5)).value_or(-1), tpl[0] - '0',
                              ToInt(tpl.substr(2, 2)).value_or(-1), sequenced),
                  t)
            << tpl;
    }
}

TEST_F(LanguageFiles, CharactersTheProgramWorksWith) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        const std::string extra = Text(lang, txt::kNumberExtraChar);
        EXPECT_FALSE(std::isxdigit(static_cast<unsigned char>(extra[0])));
        EXPECT_NE(extra[0], ' ');

        const std::string bits = Text(lang, txt::kBitChars);
        ASSERT_GE(bits.size(), 2u);
        EXPECT_NE(bits[0], bits[1]);
        // The bit string reader counts positions 1 to 3 of text 28 as 0 and the rest as 1.
        const std::string bitRead = Text(lang, txt::kBitStringChars);
        EXPECT_LT(bitRead.find(bits[0]), 3u);
        EXPECT_GE(bitRead.find(bits[1]), 3u);
        EXPECT_NE(bitRead.find(bits[1]), std::string::npos);
        // A byte field whose first character stands at position 5 or later in text 29 is a
        // bit string; decimal digits and "$" must start numbers.
        const std::string kinds = Text(lang, txt::kByteFieldKinds);
        for (const char c : std::string("0123456789$")) {
            const auto pos = kinds.find(c);
            EXPECT_TRUE(pos == std::string::npos || pos < 4) << c;
        }

        const std::string sep = Text(lang, txt::kFieldSeparator);
        EXPECT_FALSE(std::isalnum(static_cast<unsigned char>(sep[0])));
        EXPECT_EQ(std::string(" -.$\"").find(sep[0]), std::string::npos) << sep;
    }
}

TEST_F(LanguageFiles, FileNamePartsAreTheSameInBothLanguages) {
    // Settings are read before the stored language is known, and files written in one language
    // are read in the other: names, extensions and the characters of file formats never differ.
    const int kParts[] = {txt::kSettingsFileName, txt::kSettingsFileExt, txt::kLogFileName,
                          txt::kLogFileExt,       txt::kSendFileName,    txt::kSendFileExt,
                          txt::kDescFileExt,      txt::kDescFileName,    txt::kClassCodes,
                          txt::kFieldSeparator,   txt::kBitChars,        txt::kNumberExtraChar};
    for (const int n : kParts) EXPECT_EQ(Text(languages_[0], n), Text(languages_[1], n)) << n;

    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        EXPECT_EQ(Text(lang, txt::kLogFileExt), ".lg8");
        // Extensions carry their dot (a data file name is name + instance + extension); the
        // default extensions of the file dialogs are the same without it.
        const struct {
            int extension;
            int defaultExt;
            int filter;
        } kFiles[] = {{txt::kLogFileExt, txt::kLogDefaultExt, txt::kLogFilter},
                      {txt::kSendFileExt, txt::kSendFileDefaultExt, txt::kSendFileFilter},
                      {txt::kDescFileExt, txt::kTextDefaultExt, txt::kDescFilter}};
        for (const auto& f : kFiles) {
            const std::string ext = Text(lang, f.extension);
            ASSERT_EQ(ext[0], '.') << ext;
            EXPECT_EQ(Text(lang, f.defaultExt), ext.substr(1));
            EXPECT_NE(Text(lang, f.filter).find("*" + ext), std::string::npos);
        }
        EXPECT_EQ(Text(lang, txt::kSettingsFileExt)[0], '.');
        const std::string desc = Text(lang, txt::kDescFileName);
        EXPECT_TRUE(desc.ends_with(Text(lang, txt::kDescFileExt))) << desc;
        EXPECT_NE(
            Text(lang, txt::kFilterFileFilter).find("*." + Text(lang, txt::kFilterDefaultExt)),
            std::string::npos);
        EXPECT_NE(Text(lang, txt::kFwpFilter).find("*." + Text(lang, txt::kFwpDefaultExt)),
                  std::string::npos);
    }
}

TEST_F(LanguageFiles, PortAndBaudListsReadAsThePortDialogReadsThem) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        // The port number is read from characters 6 to 8 of an item: the prefix has five.
        EXPECT_EQ(Text(lang, txt::kPortItemPrefix).size(), 5u);
        EXPECT_FALSE(ToInt(Trim(Text(lang, txt::kNoPortItem).substr(5, 3))).has_value());

        const int count = ToInt(Text(lang, txt::kBaudList + 1)).value_or(0);
        EXPECT_GT(count, 8);
        EXPECT_EQ(txt::kBaudList + 2, txt::kBaudListBase);
        EXPECT_EQ(Text(lang, txt::kBaudListBase + 8), "9600");  // the default BaudIndex
        int previous = 0;
        for (int i = 0; i < count; ++i) {
            const auto rate = ToInt(Text(lang, txt::kBaudListBase + i));
            ASSERT_TRUE(rate.has_value()) << "baud item " << i;
            EXPECT_GT(*rate, previous);
            previous = *rate;
        }
    }
}

// The colour dialog selects the size item at (1-based position of the size's digits) div 6.
TEST_F(LanguageFiles, FontSizeItemsFollowTheirPositions) {
    for (const auto& lang : languages_) {
        SCOPED_TRACE(lang.extension);
        const std::string sizes = Text(lang, txt::kFontSizeItems);
        const auto items = ParseCommaText(sizes);
        std::vector<int> seen;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const auto size = ToInt(items[i]);
            ASSERT_TRUE(size.has_value()) << items[i];
            const auto pos = sizes.find(std::to_string(*size)) + 1;
            EXPECT_EQ(pos / 6, i) << "size " << *size;
            seen.push_back(*size);
        }
        for (const int s : {8, 10, 16})
            EXPECT_NE(std::find(seen.begin(), seen.end(), s), seen.end()) << s;
    }
}

TEST_F(LanguageFiles, OnlineWordsDifferForTheCommandLine) {
    for (const auto& lang : languages_) {
        std::string off = Text(lang, txt::kOnlineStateBase);
        std::string on = Text(lang, txt::kOnlineStateBase + 1);
        for (auto* s : {&off, &on})
            for (auto& c : *s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(off, on) << lang.extension;
        EXPECT_EQ(off.find(' '), std::string::npos);
    }
}

}  // namespace
}  // namespace vadrix
