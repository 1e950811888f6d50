#include "params/ChannelParams.h"

#include <gtest/gtest.h>

namespace vadrix {
namespace {

TEST(LockTime, RoundsHalvesToEvenAndAddsTheAdjustment) {
    struct Case {
        int mv, rate, adjust, expected;
    };
    const Case cases[] = {
        {0, 50, -1, 119},                    // 6001 / 50 = 120.02
        {0, 50, +1, 121}, {1, 200, -1, 31},  // 6301 / 200 = 31.505 rounds up
        {0, 0, -1, 10},                      // no bit rate
        {5, 0, +1, 10},   {0, 6002, 0, 1},   // 6001 / 6002 just below 1
        {0, 12002, 0, 0},                    // exactly one half rounds to the even 0
        {0, 4000, 0, 2},                     // 1.50025
    };
    for (const Case& c : cases)
        EXPECT_EQ(LockTime(c.mv, c.rate, c.adjust), c.expected)
            << c.mv << " " << c.rate << " " << c.adjust;
}

TEST(StationText, KeepsTheValidNumbersAndMarksTheTextInvalid) {
    const auto r = ParseStationText("5,7 9 127 200", '\0', 127, 0);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.stations, (std::vector<std::uint16_t>{5, 7, 9, 127}));

    TChannelBlock block;
    StoreStations(block, r.stations, 0);
    EXPECT_EQ(block.StationCount, 4);
    EXPECT_EQ(block.StationAddr[3], 127);
    EXPECT_EQ(block.StationAddr[4], 0);  // the no-station terminator
    EXPECT_EQ(FormatStationText(block), " 5 7 9 127");
}

TEST(StationText, EdgeCases) {
    EXPECT_TRUE(ParseStationText("", '\0', 127, 0).stations.empty());
    EXPECT_TRUE(ParseStationText("   ", '\0', 127, 0).valid);
    EXPECT_FALSE(ParseStationText("0", '\0', 127, 0).valid);  // the no-station number
    // Characters that are no number characters only separate: "12G" holds the number 12.
    EXPECT_EQ(ParseStationText("12G", '\0', 127, 0).stations, (std::vector<std::uint16_t>{12}));
    // A run that is no number ("AB") marks the text invalid.
    EXPECT_FALSE(ParseStationText("AB 3", '\0', 127, 0).valid);
    // The extra number character joins a run: "$1F" is hexadecimal 31.
    EXPECT_EQ(ParseStationText("$1F", '$', 127, 0).stations, (std::vector<std::uint16_t>{31}));
    // At most 15 numbers are taken; the sixteenth is not even looked at.
    const auto many = ParseStationText("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 999", '\0', 127, 0);
    EXPECT_TRUE(many.valid);
    EXPECT_EQ(many.stations.size(), 15u);
    TChannelBlock block;
    StoreStations(block, many.stations, 0);
    EXPECT_EQ(block.StationAddr[15], 0);
}

TEST(PortList, ItemsAndTheirNumbers) {
    const auto items = PortListItems("none", "COM  ", {1, 3, 12}, 3);
    EXPECT_EQ(items, (std::vector<std::string>{"none", "COM  1", "COM  12"}));
    EXPECT_EQ(ComNumberFromItem("none"), 0u);
    EXPECT_EQ(ComNumberFromItem("COM  12"), 12u);
    EXPECT_EQ(ComNumberFromItem("COM  x"), 0u);
    EXPECT_EQ(ComNumberFromItem(""), 0u);
}

}  // namespace
}  // namespace vadrix
