#include "params/StationParams.h"

#include <gtest/gtest.h>

#include <limits>

namespace vadrix {
namespace {

TEST(StationParams, BytesToShownValuesAndBack) {
    StationParamBlock b{20, 120, 25, 30, 10, 0x44 | 0x80, 4, 99, 7, 0x08, 1, 2, 3, 4, 5, 6};
    const StationParamValues v = StationParamsToValues(b);
    EXPECT_EQ(v.rxBaud, 200);
    EXPECT_EQ(v.txBaud, 1200);
    EXPECT_DOUBLE_EQ(v.rxMv, 2.5);
    EXPECT_DOUBLE_EQ(v.txMv, 3.0);
    EXPECT_EQ(v.tolerance, 10);
    EXPECT_EQ(v.rxCheckIndex, 1);
    EXPECT_EQ(v.txCheckIndex, 1);
    EXPECT_EQ(v.dfIndex, 0);
    EXPECT_DOUBLE_EQ(v.firstTime, 0.5);
    EXPECT_DOUBLE_EQ(v.secondTime, 10.0);
    EXPECT_EQ(v.station, 7);
    EXPECT_EQ(v.statusByte, 0x08);

    StationParamBlock out = b;
    StationParamsFromValues(v, out);
    const StationParamBlock expected{20, 120, 25, 30, 10, 0x44, 4, 99, 7, 0x08, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(out, expected);  // bit 7 of byte 5 cleared, bytes 10..15 untouched
}

TEST(StationParams, CheckCodesAndRounding) {
    StationParamBlock b{};
    b[5] = 0x54;
    StationParamValues v = StationParamsToValues(b);
    EXPECT_EQ(v.txCheckIndex, 1);
    StationParamsFromValues(v, b);
    EXPECT_EQ(b[5], 0x44);

    b[5] = 0x08;  // no receiver code chosen
    v = StationParamsToValues(b);
    EXPECT_EQ(v.rxCheckIndex, -1);
    EXPECT_EQ(v.dfIndex, 1);
    StationParamsFromValues(v, b);
    EXPECT_EQ(b[5] & 7, 0);
    EXPECT_EQ(b[5], 0x08);

    v.rxBaud = 2395;  // loses its last digit
    v.rxMv = 2.25;    // 22.5 rounds to the even 22
    v.firstTime = 12.8;
    StationParamsFromValues(v, b);
    EXPECT_EQ(b[0], 239);
    EXPECT_EQ(b[2], 22);
    EXPECT_EQ(b[6], 127);
}

// Values that are no finite number, as an entry field can hand them over, give bytes at the
// ends of their range rather than undefined conversions.
TEST(StationParams, ValuesThatAreNoFiniteNumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    StationParamValues v;
    v.rxMv = nan;
    v.txMv = inf;
    v.firstTime = -inf;
    v.secondTime = nan;
    StationParamBlock b{};
    StationParamsFromValues(v, b);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 255);
    EXPECT_EQ(b[6], 0);
    EXPECT_EQ(b[7], 0);
}

// A check index far outside the list keeps the low bits the byte has room for.
TEST(StationParams, LargeCheckIndexKeepsItsLowBits) {
    StationParamValues v;
    v.rxCheckIndex = std::numeric_limits<int>::max();  // low bits 3: code 0
    v.txCheckIndex = 1372812384;                       // low bits 0: code 2
    StationParamBlock b{};
    StationParamsFromValues(v, b);
    EXPECT_EQ(b[5], 0x20);
}

}  // namespace
}  // namespace vadrix
