// The formatter fills language texts: it must give printf's result for the placeholders the
// texts use and stay harmless for anything a damaged language file may hold.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/TextFormat.h"

namespace vadrix {
namespace {

struct Case {
    const char* fmt;
    std::vector<FmtArg> args;
    std::string expected;
};

TEST(TextFormat, PlaceholdersOfTheLanguageTexts) {
    const Case cases[] = {
        {"Port %d opened: ", {7}, "Port 7 opened: "},
        {"[%5d]", {7}, "[    7]"},
        {"[%-5d]", {7}, "[7    ]"},
        {"[%05d]", {7}, "[00007]"},
        {"[%.3d]", {7}, "[007]"},
        {"%x %X %02X", {255, 255, 15}, "ff FF 0F"},
        {"%07X", {0xABCDEFu}, "0ABCDEF"},
        {"%s:", {"E1"}, "E1:"},
        {"[%4s]", {"E1"}, "[  E1]"},
        {"[%.1s]", {"E1"}, "[E]"},
        {"100%%", {}, "100%"},
        {"  d=%1.3fs", {1.25}, "  d=1.250s"},
        {"%d min %.2f s", {3, 7.5}, "3 min 7.50 s"},
        {"   %s: %d tel., %d errors", {"E1", 12u, 0u}, "   E1: 12 tel., 0 errors"},
        {"  20%02d-%02d-%02d", {26, 1, 9}, "  2026-01-09"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendFormat(out, c.fmt, c.args);
        EXPECT_EQ(out, c.expected) << c.fmt;
    }
}

TEST(TextFormat, DecimalSeparatorAndNegativeNumbers) {
    EXPECT_EQ(FormatText("%.2f|%6.1f|%d|%+d", {-1.5, 2.26, -12, 3}, ','), "-1,50|   2,3|-12|+3");
    EXPECT_EQ(FormatText("%d", {static_cast<long long>(INT64_MIN)}), "-9223372036854775808");
}

TEST(TextFormat, MismatchedArgumentsAreConverted) {
    // A number where a text is expected and the reverse; a text given for %d stands as it is.
    EXPECT_EQ(FormatText("%s/%d/%f", {12, 3.9, 2}), "12/3/2.000000");
    EXPECT_EQ(FormatText("%d errors", {"-"}), "- errors");
}

TEST(TextFormat, MalformedTextsAreHarmless) {
    const Case cases[] = {
        {"%n%p%ls", {1}, "%n%p%ls"},  // unknown directives stay as written
        {"%d %d %d", {1}, "1  "},     // more placeholders than values: the rest gives nothing
        {"end %", {1}, "end %"},      // a lone percent at the end
        {"%999999999d", {1}, std::string(255 - 1, ' ') + "1"},  // the width is capped
        {"%.999999f", {1}, "1." + std::string(255, '0')},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendFormat(out, c.fmt, c.args);
        EXPECT_EQ(out, c.expected) << c.fmt;
    }
    EXPECT_EQ(FormatText("%f|%f", {1e300, std::numeric_limits<double>::quiet_NaN()}).substr(0, 2),
              "10");
    EXPECT_NE(FormatText("%f|%f", {1e300, std::numeric_limits<double>::quiet_NaN()}).find("NAN"),
              std::string::npos);
    EXPECT_EQ(FormatText("%d", {1e300}), "0");
    EXPECT_EQ(FormatText("no placeholders", {1, 2}), "no placeholders");
}

TEST(TextFormat, NumberHelpers) {
    std::string out;
    AppendGrouped(out, 1234567, '.', 12);
    out += '|';
    AppendGrouped(out, 5, '.', 2);
    out += '|';
    AppendGrouped(out, -1000, ',');
    out += '|';
    AppendInt(out, 42, 5);
    out += '|';
    AppendHex2(out, 0xA5);
    out += '|';
    AppendFixed(out, 2.345, 2, ',');
    EXPECT_EQ(out, "   1.234.567| 5|-1,000|   42|A5|2,35");
}

}  // namespace
}  // namespace vadrix
