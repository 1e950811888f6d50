// The status table and the status bar as the main window shows them: cells follow the log's
// counters only in the online display, panels take their texts and colours from the state.

#include <gtest/gtest.h>

#include <QLabel>

#include "GuiApp.h"
#include "app/Context.h"
#include "gui/app/Q5StatusBar.h"
#include "gui/app/Q5StatusTable.h"
#include "support/TempDir.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class StatusWidgetsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        tc->settings.Language = 1;
        tc->settings.OnlineDisplay = 1;
        tc->run.LogFilePath = dir / "live.lg8";
        tc->log.SetRingBlocks(4);
        tc->log.SetCounterHook([this](int k) { table.UpdateCounterCell(k); });
        ASSERT_TRUE(tc->log.Create());
    }
    void Store(std::uint8_t source, std::uint8_t status = 40) {
        TTelegram t{};
        t.Status = status;
        t.FrameLen = 6;
        t.Source = source;
        t.Kind = 1;
        tc->log.Store(t);
    }

    QApplication& app = GuiApp();  // before any widget
    TempDir dir;
    TestContext tc;
    Q5StatusTable table;
    Q5StatusBar bar;
};

TEST_F(StatusWidgetsTest, TableFollowsTheVariantAndTheCounters) {
    tc->general.ProtocolVariant = 0;
    table.Bind(*tc);
    table.FillStatusTable();
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.height(), 84);
    EXPECT_EQ(table.CellText(0, 1), "Telegrams");
    EXPECT_EQ(table.CellText(1, 0), "Sender S");
    EXPECT_EQ(table.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(table.selectionMode(), QAbstractItemView::NoSelection);

    Store(2);
    EXPECT_EQ(table.CellText(1, 1), "         1");
    Store(1, 5);
    EXPECT_EQ(table.CellText(2, 1), "         1");
    EXPECT_EQ(table.CellText(2, 2), "      1");

    tc->general.ProtocolVariant = 2;
    table.SetupStatusTable();
    table.FillStatusTable();
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.height(), 64);
    EXPECT_EQ(table.CellText(1, 0), "EmSe1");
    EXPECT_EQ(table.CellText(1, 3), "         1");  // line S is source 2 of EmSe1

    tc->general.ProtocolVariant = 1;  // back to three rows: every cell is there again
    table.SetupStatusTable();
    table.FillStatusTable();
    EXPECT_EQ(table.CellText(3, 0), "Receiver E2");
    EXPECT_EQ(table.CellText(3, 1), "         0");
}

TEST_F(StatusWidgetsTest, LogDisplayLeavesTheTableUntilTheOnlineDisplayRefillsIt) {
    tc->general.ProtocolVariant = 2;
    table.Bind(*tc);
    table.FillStatusTable();
    tc->settings.OnlineDisplay = 0;
    Store(3);
    table.UpdateCounterCell(-1);
    EXPECT_EQ(table.CellText(2, 1), "         0");
    tc->settings.OnlineDisplay = 1;
    table.UpdateCounterCell(-1);  // all counters changed: the whole table is refilled
    EXPECT_EQ(table.CellText(2, 1), "         1");
}

TEST_F(StatusWidgetsTest, PanelsShowTextsAndColours) {
    tc->settings.Online = 1;
    tc->general.DisplayFilter.FilterOn = 1;
    tc->settings.DescriptionFile.assign("/x/plant.ob");
    bar.Bind(*tc);
    EXPECT_EQ(bar.Panel(0)->text(), "Online");
    EXPECT_EQ(bar.Panel(0)->palette().color(QPalette::Window), QColor(0, 255, 0));
    EXPECT_EQ(bar.Panel(0)->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(bar.Panel(0)->width(), 60);
    EXPECT_EQ(bar.Panel(3)->text(), "Display filter on");
    EXPECT_EQ(bar.Panel(3)->palette().color(QPalette::Window), QColor(0xF0, 0xCA, 0xA6));
    EXPECT_EQ(bar.Panel(4)->text(), "Log: live.lg8");
    EXPECT_EQ(bar.Panel(5)->text(), "Objects: plant.ob");
    EXPECT_FALSE(bar.Panel(5)->autoFillBackground());

    tc->settings.Online = 0;
    bar.RefreshPanel(0);
    EXPECT_EQ(bar.Panel(0)->text(), "Offline");
    EXPECT_EQ(bar.Panel(0)->palette().color(QPalette::Window), QColor(0xF0, 0xCA, 0xA6));
    EXPECT_EQ(bar.Panel(6), nullptr);
    bar.RefreshPanel(9);  // no such panel: nothing happens
}

}  // namespace
}  // namespace vadrix::testing
