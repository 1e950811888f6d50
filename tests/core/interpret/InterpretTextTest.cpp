// The pieces lines are made of, against the plain rule they implement.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "common/TextTable.h"
#include "interpret/InterpretText.h"

namespace vadrix {
namespace {

// Bit characters most significant first, a blank before the last four, right-aligned.
std::string PlainBits(std::uint32_t v, int bits, const char chars[2], int width) {
    std::string s;
    for (int b = bits - 1; b >= 0; --b) {
        s += chars[(v >> b) & 1];
        if (b == 4 && bits > 4) s += ' ';
    }
    return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(s.size()))),
                       ' ') +
           s;
}

TEST(InterpretTextTest, BitStringsFollowThePlainRuleForEveryLength) {
    std::mt19937 rng(5);
    const char* const charSets[] = {"01", "-+", "\xB7\xD7"};  // the last two are CP1252
    for (const char* chars : charSets)
        for (int bits = 0; bits <= 32; ++bits)
            for (const int width : {0, 12, 40})
                for (int k = 0; k < 20; ++k) {
                    const auto v = static_cast<std::uint32_t>(rng());
                    std::string out = "x";
                    AppendBits(out, v, bits, chars, width);
                    EXPECT_EQ(out, "x" + PlainBits(v, bits, chars, width))
                        << "bits " << bits << " width " << width;
                }
}

TEST(InterpretTextTest, NumbersAreRightAlignedInAnyWidth) {
    std::mt19937_64 rng(3);
    std::vector<std::int64_t> values = {0,   9,   10,       99,       100,       -1,
                                        -10, -99, 12345678, -1234567, INT64_MIN, INT64_MAX};
    for (int k = 0; k < 200; ++k) values.push_back(static_cast<std::int64_t>(rng()) >> (k % 60));
    for (const std::int64_t v : values)
        for (const int width : {0, 1, 2, 3, 5, 8, 9, 12, 20, 40, 41, 60}) {
            const std::string digits = std::to_string(v);
            const std::string expected =
                std::string(
                    static_cast<std::size_t>(std::max(0, width - static_cast<int>(digits.size()))),
                    ' ') +
                digits;
            std::string out = "x";
            AppendNum(out, v, width);
            EXPECT_EQ(out, "x" + expected) << v << " in " << width;
        }
}

TEST(InterpretTextTest, Cp1252TextBecomesUtf8AroundAsciiRuns) {
    std::string out = "a";
    AppendCp1252AsUtf8(out, "x\x80y\xB5\xFFz");
    EXPECT_EQ(out,
              "ax\xE2\x82\xAC"
              "y\xC2\xB5\xC3\xBFz");
    EXPECT_EQ(Cp1252ToUtf8("plain"), "plain");
}

}  // namespace
}  // namespace vadrix
