#include "editors/SendListRows.h"

#include <gtest/gtest.h>

namespace vadrix {
namespace {

constexpr char kSep = ';';

TSendList Numbered() {
    TSendList l;
    for (int r = 1; r <= kSendListRows; ++r) l.Row(r).TelNr = static_cast<std::uint16_t>(r);
    return l;
}

TEST(ListRows, PasteTwoLinesAtRowTen) {
    TSendList l = Numbered();
    TSendList source = Numbered();
    source.Row(1).TelNr = 900;
    source.Row(2).TelNr = 901;
    const std::string clip = CopyRows(source, 1, 2, kSep) + "not an entry\r\n";
    EXPECT_TRUE(CanPasteRows(clip, kSep));
    EXPECT_EQ(PasteRows(l, 10, clip, kSep), 2);
    EXPECT_EQ(l.Row(9).TelNr, 9);
    EXPECT_EQ(l.Row(10).TelNr, 900);
    EXPECT_EQ(l.Row(11).TelNr, 901);
    EXPECT_EQ(l.Row(12).TelNr, 10);
    EXPECT_EQ(l.Row(400).TelNr, 398);  // the former 399 and 400 are lost
}

TEST(ListRows, PasteNearTheEndDropsWhatHasNoRoom) {
    TSendList l = Numbered();
    const std::string clip = CopyRows(Numbered(), 1, 3, kSep);
    EXPECT_EQ(PasteRows(l, 399, clip, kSep), 2);
    EXPECT_EQ(l.Row(398).TelNr, 398);
    EXPECT_EQ(l.Row(399).TelNr, 1);
    EXPECT_EQ(l.Row(400).TelNr, 2);
    EXPECT_EQ(PasteRows(l, 5, "nothing\r\n", kSep), 0);
    EXPECT_FALSE(CanPasteRows("nothing", kSep));
    EXPECT_EQ(l.Row(5).TelNr, 5);
}

TEST(ListRows, CutRowsTwoToFour) {
    TSendList l = Numbered();
    const std::string clip = CutRows(l, 2, 4, kSep);
    EXPECT_EQ(std::count(clip.begin(), clip.end(), '\n'), 3);
    EXPECT_EQ(l.Row(1).TelNr, 1);
    EXPECT_EQ(l.Row(2).TelNr, 5);
    EXPECT_EQ(l.Row(397).TelNr, 400);
    for (int r = 398; r <= 400; ++r) EXPECT_EQ(l.Row(r).TelNr, TSendEntry{}.TelNr) << r;
}

TEST(ListRows, ActiveRowsCounted) {
    TSendList l;
    CountActiveRows(l);
    EXPECT_EQ(l.ActiveCount, 0);
    EXPECT_EQ(l.LastActive, 0);
    l.Row(3).Akt = 1;
    l.Row(7).Akt = 1;
    CountActiveRows(l);
    EXPECT_EQ(l.ActiveCount, 2);
    EXPECT_EQ(l.LastActive, 7);
}

}  // namespace
}  // namespace vadrix
