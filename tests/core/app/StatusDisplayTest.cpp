// The channel status table and the status bar panels: layout, counter cells, parameter cells
// and the panels' texts and colours.

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "app/Context.h"
#include "app/StatusDisplay.h"
#include "common/TextIds.h"
#include "log/TelLog.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class StatusDisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->settings.Language = 1;
        tc->settings.OnlineDisplay = 1;
        tc->run.LogFilePath = dir / "live.lg8";
        tc->log.SetRingBlocks(4);
        tc->log.SetCounterHook(
            [this](int k) { touched.push_back(UpdateCounterCell(*tc, cells, k)); });
        ASSERT_TRUE(tc->log.Create());
    }
    void SetVariant(int v) {
        tc->general.ProtocolVariant = v;
        SetupStatusTable(*tc, cells);
    }
    void Store(std::uint8_t source, std::uint8_t status = 40, int times = 1) {
        for (int i = 0; i < times; ++i) {
            TTelegram t{};
            t.Status = status;
            t.FrameLen = 6;
            t.Source = source;
            t.Kind = 1;
            tc->log.Store(t);
        }
    }
    const std::string& Cell(int row, int column) const { return cells[row][column]; }

    TempDir dir;
    TestContext tc;
    StatusCells cells;
    std::vector<std::optional<StatusCell>> touched;
};

TEST_F(StatusDisplayTest, MonitorLayoutHasThreeLinesAndColumnsFromTheTexts) {
    tc->general.ProtocolVariant = 0;
    const StatusTableLayout l = SetupStatusTable(*tc, cells);
    EXPECT_EQ(l.dataRows, 3);
    EXPECT_EQ(l.heightPx, 84);
    EXPECT_EQ(l.columnWidths[0], 84);
    EXPECT_EQ(l.columnWidths[10], 96);
    EXPECT_EQ(l.widthPx, 4 + 84 + 80 + 56 + 40 + 92 + 52 + 40 + 36 + 44 + 84 + 96);
    EXPECT_EQ(Cell(0, 0), "Line");
    EXPECT_EQ(Cell(0, 1), "Telegrams");
    EXPECT_EQ(Cell(0, 10), "Traffic");
    EXPECT_EQ(Cell(1, 0), "Sender S");
    EXPECT_EQ(Cell(2, 0), "Receiver E1");
    EXPECT_EQ(Cell(3, 0), "Receiver E2");
}

TEST_F(StatusDisplayTest, DirectLayoutHasTwoChannels) {
    tc->general.ProtocolVariant = 2;
    const StatusTableLayout l = SetupStatusTable(*tc, cells);
    EXPECT_EQ(l.dataRows, 2);
    EXPECT_EQ(l.heightPx, 64);
    EXPECT_EQ(Cell(1, 0), "EmSe1");
    EXPECT_EQ(Cell(2, 0), "EmSe2");
    EXPECT_EQ(Cell(0, 3), "Tel. sent");
    EXPECT_EQ(l.columnWidths[5], 52);
}

TEST_F(StatusDisplayTest, ColumnTextWithoutCommaOrNumberStillGivesAColumn) {
    tc->general.ProtocolVariant = 0;
    tc->texts.ReplaceTxt(txt::kStatusTableMonitorBase + 3, "70");        // width only
    tc->texts.ReplaceTxt(txt::kStatusTableMonitorBase + 4, "wide,Tel");  // no number
    tc->texts.ReplaceTxt(txt::kStatusTableMonitorBase + 5, "12,a,b");    // comma in header
    for (int c = 3; c < 11; ++c)  // absurd widths are bounded, their sum cannot overflow
        tc->texts.ReplaceTxt(txt::kStatusTableMonitorBase + 3 + c, "2147483647,x");
    const StatusTableLayout l = SetupStatusTable(*tc, cells);
    EXPECT_EQ(l.columnWidths[0], 70);
    EXPECT_EQ(Cell(0, 0), "");
    EXPECT_EQ(l.columnWidths[1], 0);
    EXPECT_EQ(Cell(0, 1), "Tel");
    EXPECT_EQ(l.columnWidths[2], 12);
    EXPECT_EQ(Cell(0, 2), "a,b");
    EXPECT_EQ(l.columnWidths[3], 2000);
    EXPECT_EQ(l.widthPx, 4 + 70 + 0 + 12 + 8 * 2000);
}

TEST_F(StatusDisplayTest, EachCounterHasItsCellInEachLayout) {
    using Map = std::map<int, std::pair<int, int>>;
    // Monitor device: line S (source 2) in row 1, E1 in row 2, E2 in row 3; no source 4.
    const Map monitor = {{0, {2, 1}}, {1, {2, 2}}, {2, {1, 1}},
                         {3, {1, 2}}, {4, {3, 1}}, {5, {3, 2}}};
    const Map direct = {{0, {1, 1}}, {1, {1, 2}}, {2, {1, 3}}, {3, {1, 4}},
                        {4, {2, 1}}, {5, {2, 2}}, {6, {2, 3}}, {7, {2, 4}}};
    for (int variant : {0, 1, 2}) {
        const Map& expected = variant == 2 ? direct : monitor;
        for (int k = -1; k <= 8; ++k) {
            const auto cell = CounterCell(variant, k);
            const auto it = expected.find(k);
            ASSERT_EQ(cell.has_value(), it != expected.end()) << variant << " " << k;
            if (cell) {
                EXPECT_EQ(std::make_pair(cell->row, cell->column), it->second) << k;
            }
        }
    }
}

TEST_F(StatusDisplayTest, CountersAreRightAlignedWithSeparators) {
    struct Case {
        std::uint32_t value;
        int width;
        char sep;
        const char* text;
    };
    for (const Case& c :
         {Case{0, 10, ',', "         0"}, Case{999, 10, ',', "       999"},
          Case{1234, 10, '.', "     1.234"}, Case{9999999, 10, ',', " 9,999,999"},
          Case{12345678, 10, ',', "12,345,678"}, Case{5, 7, ',', "      5"},
          Case{1234567, 7, ',', "1,234,567"}, Case{4294967295u, 10, ',', "4,294,967,295"}})
        EXPECT_EQ(CounterText(c.value, c.width, c.sep), c.text) << c.value;
}

TEST_F(StatusDisplayTest, TelegramOnLineSCountsInTheFirstRow) {
    SetVariant(0);
    FillStatusTable(*tc, cells);
    Store(2);
    EXPECT_EQ(Cell(1, 1), "         1");
    EXPECT_EQ(Cell(1, 2), "      0");
    Store(2, 12);  // a faulty telegram counts in both cells
    EXPECT_EQ(Cell(1, 1), "         2");
    EXPECT_EQ(Cell(1, 2), "      1");
    EXPECT_EQ(Cell(2, 1), "         0");
    Store(4);  // no line of the monitor device: counted, no cell
    ASSERT_FALSE(touched.empty());
    EXPECT_FALSE(touched.back().has_value());
}

TEST_F(StatusDisplayTest, GermanCountersOfEmSe2GroupWithPointsInRowTwo) {
    SetVariant(2);
    tc->settings.Language = 0;
    FillStatusTable(*tc, cells);
    Store(3, 40, 1001);
    EXPECT_EQ(Cell(2, 1), "     1.001");
}

TEST_F(StatusDisplayTest, LogDisplayLeavesTheCellsUntilTheTableIsRefilled) {
    SetVariant(2);
    FillStatusTable(*tc, cells);
    tc->settings.OnlineDisplay = 0;
    Store(1, 40, 3);
    EXPECT_EQ(Cell(1, 1), "         0");
    EXPECT_FALSE(touched.back().has_value());
    tc->settings.OnlineDisplay = 1;
    FillStatusTable(*tc, cells);
    EXPECT_EQ(Cell(1, 1), "         3");
}

TEST_F(StatusDisplayTest, MonitorParameterCellsShowEachLine) {
    TEmSe& ch = tc->emse1;
    ch.P.ComNumber = 3;
    ch.P.Function = 1;
    tc->general.TrafficKind = 1;
    ch.P.Line[0] = {1200, 3, 1, 40, 0, 25, 50, 0};  // E1
    ch.P.Line[1] = {600, 10, 2, 7, 1, 99, 50, 0};   // S
    ch.P.Line[2] = {50, 0, 0, 1234, 5, 8, 50, 0};   // E2
    SetVariant(0);
    FillStatusTable(*tc, cells);
    const std::array<std::array<const char*, 8>, 3> expected = {{
        {"3.0", "16 check bits", "   7+", "   -", "  3", "  600", "Master", "polling"},
        {"2.3", "10 check bits", "  40-", "  25", "  3", " 1200", "Master", "polling"},
        {"2.0", "2 parity bits", "1234", "   8", "  3", "   50", "none", "polling"},
    }};
    for (int row = 1; row <= 3; ++row)
        for (int c = 3; c <= 10; ++c)
            EXPECT_EQ(Cell(row, c), expected[row - 1][c - 3]) << row << "," << c;
}

TEST_F(StatusDisplayTest, StoredValuesOutsideTheListsShowAsNumbersAndCellsAreCut) {
    tc->emse1.P.Line[0].Mv = -4;
    tc->emse1.P.Line[1].CheckCode = 77;
    tc->emse1.P.Function = 1000;
    tc->general.TrafficKind = 2;
    tc->texts.ReplaceTxt(txt::kModulationItemBase + 2, "a very long modulation name");
    SetVariant(1);
    FillStatusTable(*tc, cells);
    EXPECT_EQ(Cell(2, 3), "-4");
    EXPECT_EQ(Cell(1, 4), "77");
    EXPECT_EQ(Cell(1, 9), "1000");
    EXPECT_EQ(Cell(3, 9), "none");
    EXPECT_EQ(Cell(1, 10), "2");
    EXPECT_EQ(Cell(3, 3), "a very long mod");  // 15 characters
    EXPECT_EQ(Cell(1, 7), "  -");              // no port
}

TEST_F(StatusDisplayTest, DirectParameterCellsShowEachChannel) {
    tc->emse1.P.LockTimeMs = 4;
    tc->emse1.P.Parity = 2;
    tc->emse1.P.ComNumber = 1;
    tc->emse1.P.Baud = 19200;
    tc->emse1.P.Function = 2;
    tc->emse2.P.LockTimeMs = 12345;
    tc->emse2.P.Parity = 0;
    tc->emse2.P.ComNumber = 0;
    tc->emse2.P.Baud = 115200;
    tc->emse2.P.Function = 0;
    SetVariant(2);
    FillStatusTable(*tc, cells);
    const std::array<std::array<const char*, 6>, 2> expected = {{
        {"    4", "even", "  1", " 19200", "Outstation", "spontaneous"},
        {"12345", "none", "  -", "115200", "none", "spontaneous"},
    }};
    for (int row = 1; row <= 2; ++row)
        for (int c = 5; c <= 10; ++c)
            EXPECT_EQ(Cell(row, c), expected[row - 1][c - 5]) << row << "," << c;
    EXPECT_EQ(Cell(3, 1), "");  // the third row stays empty
}

TEST_F(StatusDisplayTest, PanelsShowStateInTextsAndColours) {
    tc->settings.Online = 1;
    tc->settings.OnlineDisplay = 0;
    tc->general.LogFilter.FilterOn = 1;
    tc->run.LogFilePath = "/data/logs/today.lg8";
    tc->settings.DescriptionFile.assign("C:\\objects\\plant.ob");

    StatusPanel p = StatusBarPanel(*tc, 0);
    EXPECT_EQ(p.text, "Online");
    EXPECT_EQ(p.background, kPanelOnline);
    EXPECT_EQ(p.foreground, kPanelBlack);
    EXPECT_EQ(p.widthPx, 60);
    p = StatusBarPanel(*tc, 1);
    EXPECT_EQ(p.text, "Log display");
    EXPECT_FALSE(p.background.has_value());
    p = StatusBarPanel(*tc, 2);
    EXPECT_EQ(p.text, "Log filter on");
    EXPECT_EQ(p.background, kPanelSkyBlue);
    p = StatusBarPanel(*tc, 3);
    EXPECT_EQ(p.text, "Display filter off");
    EXPECT_FALSE(p.background.has_value());
    p = StatusBarPanel(*tc, 4);
    EXPECT_EQ(p.text, "Log: today.lg8");
    EXPECT_TRUE(p.ownerDrawn);
    p = StatusBarPanel(*tc, 5);
    EXPECT_EQ(p.text, "Objects: plant.ob");
    EXPECT_FALSE(p.ownerDrawn);
    EXPECT_EQ(p.widthPx, 200);

    tc->settings.Online = 0;
    tc->settings.OnlineDisplay = 7;  // any stored non-zero byte reads as on
    p = StatusBarPanel(*tc, 0);
    EXPECT_EQ(p.background, kPanelSkyBlue);
    EXPECT_FALSE(p.foreground.has_value());
    p = StatusBarPanel(*tc, 1);
    EXPECT_EQ(p.background, kPanelMoneyGreen);
    EXPECT_EQ(StatusBarPanel(*tc, 6).text, "");
}

}  // namespace
}  // namespace vadrix::testing
