#include "editors/SendTextFile.h"
#include "interpret/Descriptions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/TempDir.h"

namespace vadrix {
namespace {

constexpr char kSep = ';';

int Lines(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

TSendTelegram SampleTelegram() {
    TSendTelegram t;
    t.Head.Bez.assign("Breaker 7");
    t.Head.Anst = 3;
    t.Head.Min = 15;
    t.Head.AnzT = 5;
    t.Head.Send = 4;
    t.Head.StNr = 2;
    t.Head.Entry.Typ = 12;
    t.Head.Entry.TelNr = 1023;
    t.Head.Entry.Lg = 6;
    t.Head.Entry.B[8] = 0xEE;
    t.DataCount = 3;
    t.Data[0] = 1;
    t.Data[1] = 2;
    t.Data[2] = 255;
    return t;
}

TEST(TelegramFile, RoundTripOfThreeLines) {
    const TSendTelegram t = SampleTelegram();
    const std::string text = TelegramFileText(t, kSep);
    EXPECT_EQ(Lines(text), 3);

    TSendTelegram back;
    ASSERT_TRUE(ApplyTelegramFileText(text, kSep, back));
    EXPECT_EQ(back.Head.Bez.str(), "Breaker 7");
    EXPECT_EQ(back.Head.Anst, 3);
    EXPECT_EQ(back.Head.Min, 15);
    EXPECT_EQ(back.Head.Send, 4);
    EXPECT_EQ(back.Head.StNr, 2);
    EXPECT_EQ(std::memcmp(&back.Head.Entry, &t.Head.Entry, sizeof t.Head.Entry), 0);
    EXPECT_EQ(back.DataCount, 3);
    EXPECT_EQ(back.Data[2], 255);

    testing::TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir.path() / "t.txt", text));
    std::string read;
    ASSERT_TRUE(ReadTextFile(dir.path() / "t.txt", read));
    EXPECT_EQ(read, text);
    EXPECT_FALSE(ReadTextFile(dir.path() / "missing.txt", read));
}

TEST(TelegramFile, BadLinesLeaveTheirPartAlone) {
    const TSendTelegram t = SampleTelegram();
    std::string header = HeaderLine(t.Head, kSep);
    const TSendTelegram fresh;

    // Fewer than three lines: nothing at all.
    TSendTelegram r;
    EXPECT_FALSE(ApplyTelegramFileText(header + "\r\n", kSep, r));

    // A header with 11 separators is ignored.
    std::string eleven = "a;1;2;3;4;5;6;7;8;9;10;11";
    TSendHeader h;
    EXPECT_FALSE(ReadHeaderLine(eleven, kSep, h));
    EXPECT_EQ(h.Bez.str(), "");

    // Typ 78 in the header: the whole header is ignored.
    TSendTelegram typ78 = t;
    typ78.Head.Entry.Typ = 78;
    EXPECT_FALSE(ReadHeaderLine(HeaderLine(typ78.Head, kSep), kSep, h));
    EXPECT_EQ(h.Anst, fresh.Head.Anst);

    // One field out of range spoils the header, while entry and data still load.
    std::string badHeader = header;
    badHeader.replace(badHeader.find(";3;"), 3, ";9;");  // Anst 9
    ASSERT_TRUE(ApplyTelegramFileText(
        badHeader + "\r\n" + EntryLine(t.Head.Entry, kSep) + "\r\n" + DataLine(t, kSep) + "\r\n",
        kSep, r));
    EXPECT_EQ(r.Head.Anst, fresh.Head.Anst);
    EXPECT_EQ(r.Head.Entry.TelNr, 1023);
    EXPECT_EQ(r.DataCount, 3);

    // A data line with a count above 263 is not taken; an invalid byte ends the data.
    TSendTelegram d;
    EXPECT_FALSE(ReadDataLine("264;1;", kSep, d));
    EXPECT_TRUE(ReadDataLine("3;7;x;9;", kSep, d));
    EXPECT_EQ(d.DataCount, 3);
    EXPECT_EQ(d.Data[0], 7);
    EXPECT_EQ(d.Data[2], 0);
}

TEST(EntryLine, PlainAndTabularForms) {
    TSendEntry e;
    e.Akt = 1;
    e.Typ = 5;
    e.B[0] = 200;
    std::string text = EntryLine(e, kSep) + "\r\nrest";
    TSendEntry r;
    std::string_view view = text;
    ASSERT_TRUE(ReadEntryLine(view, kSep, r));
    EXPECT_EQ(view, "rest");
    EXPECT_EQ(std::memcmp(&r, &e, sizeof e), 0);

    // A bad Sys or byte becomes 0; a bad Typ spoils the line.
    std::string_view soft = "1;5;2;9;100;4;300;1;2;3;4;5;6;7;8;";
    ASSERT_TRUE(ReadEntryLine(soft, kSep, r));
    EXPECT_EQ(r.Sys, 0);
    EXPECT_EQ(r.B[0], 0);
    EXPECT_EQ(r.B[1], 1);
    std::string_view hard = "1;77;2;0;100;4;0;1;2;3;4;5;6;7;8;";
    EXPECT_FALSE(ReadEntryLine(hard, kSep, r));
    std::string_view shortLine = "1;5;2;0;100;4;";
    EXPECT_FALSE(ReadEntryLine(shortLine, kSep, r));

    // A telegram line of the log's export format becomes an active row; its fields count
    // from the record number at 0.
    std::string fields[25];
    for (int i = 0; i <= 24; ++i) fields[i] = "0";
    fields[9] = "99";    // station
    fields[10] = "3";    // data kind
    fields[12] = "4";    // sequence number
    fields[13] = "6";    // group
    fields[14] = "5";    // length code
    fields[15] = "777";  // telegram number
    fields[16] = "17";
    fields[24] = "x";  // an unreadable byte becomes 0
    std::string tab;
    for (int i = 0; i <= 24; ++i) tab += fields[i] + ";";
    TSendEntry t;
    t.B[8] = 99;
    std::string_view tv = tab;
    ASSERT_TRUE(ReadEntryLine(tv, kSep, t));
    EXPECT_EQ(t.Akt, 1);
    EXPECT_EQ(t.Typ, DeriveClass(777, 3, 5, true, 0));
    EXPECT_EQ(t.Da, 3);
    EXPECT_EQ(t.Sys, 6);
    EXPECT_EQ(t.Lg, 5);
    EXPECT_EQ(t.TelNr, 777);
    EXPECT_EQ(t.B[0], 17);
    EXPECT_EQ(t.B[8], 0);
}

TEST(ListFile, FourHundredAndOneLinesAndABrokenFifthLine) {
    TSendList l;
    l.Head.Bez.assign("List");
    for (int r = 1; r <= kSendListRows; ++r) l.Row(r).TelNr = static_cast<std::uint16_t>(r);
    const std::string text = ListFileText(l, kSep);
    EXPECT_EQ(Lines(text), 401);

    // Line 5 holds row 4; breaking it lets rows 5..400 move up by one.
    std::string broken;
    std::string_view rest = text;
    for (int line = 1; !rest.empty(); ++line) {
        const std::size_t end = rest.find('\n');
        const std::string_view one = rest.substr(0, end + 1);
        broken += line == 5 ? std::string("broken\r\n") : std::string(one);
        rest.remove_prefix(end + 1);
    }
    TSendList target;
    for (int r = 1; r <= kSendListRows; ++r) target.Row(r).TelNr = 1000;
    ASSERT_TRUE(ApplyListFileText(broken, kSep, target));
    EXPECT_EQ(target.Head.Bez.str(), "List");
    EXPECT_EQ(target.Row(3).TelNr, 3);
    EXPECT_EQ(target.Row(4).TelNr, 5);
    EXPECT_EQ(target.Row(399).TelNr, 400);
    EXPECT_EQ(target.Row(400).TelNr, 1000);  // left as it was

    TSendList untouched;
    EXPECT_FALSE(ApplyListFileText("", kSep, untouched));
}

}  // namespace
}  // namespace vadrix
