// The main window driven as a user drives it: the tool bar menu, the online button and F8,
// display switching, formats and the time column, clear and reset, the log commands through
// the file dialogs, the shortcut option flags, the language switch, recent files and the
// placement kept for the next start.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

#include "MainWindowRig.h"
#include "app/Language.h"
#include "app/ProgramStart.h"
#include "common/TextIds.h"
#include "gui/app/Q5MainF.h"
#include "gui/app/Q5StatusBar.h"
#include "interpret/Descriptions.h"
#include "log/SendFile.h"
#include "support/EngineRig.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

class MainWindowTest : public MainWindowRig {
  protected:
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&Window(), static_cast<Qt::Key>(key), mods);
    }
    void OpenMenu(int i) { QMetaObject::invokeMethod(Window().Menu(i), "aboutToShow"); }
    QString PanelText(int panel) { return Window().StatusBarWidget()->Panel(panel)->text(); }
};

TEST_F(MainWindowTest, MenusBecomeTheToolBarAndFollowTheLanguage) {
    TfmMain& w = Window();
    const QStringList english{"&File",       "&Mode",   "&Send", "&View",
                              "&Parameters", "F&ilter", "&Help"};
    for (int i = 0; i < TfmMain::kMenus; ++i) {
        EXPECT_EQ(w.MenuButton(i)->text(), english[i]);
        EXPECT_EQ(w.MenuButton(i)->menu(), w.Menu(i));
    }
    EXPECT_EQ(w.findChild<QMenuBar*>(), nullptr);  // the tool bar is the menu
    EXPECT_EQ(w.Action("miLogOp")->text(), "&Open log...");
    EXPECT_EQ(w.Action("afHex")->text(), "&Hex/BCD");
    EXPECT_EQ(w.LedButton(0)->toolTip(), "Receiving EmSe1");
    EXPECT_EQ(w.LedButton(0)->iconSize(), QSize(20, 19));
    EXPECT_EQ(w.OnlineButton()->iconSize(), QSize(30, 19));
    EXPECT_TRUE(w.windowTitle().contains("Vadrix - Direct - Q5Send.st8"));

    w.findChild<QAction*>("miGer")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.MenuButton(0)->text(), "&Datei");
    EXPECT_EQ(w.MenuButton(3)->text(), "&Ansicht");
    EXPECT_EQ(w.Action("miLogOp")->text(), QString::fromUtf8("Protokoll &öffnen..."));
    EXPECT_EQ(w.LedButton(0)->toolTip(), "Empfang EmSe1");
    EXPECT_TRUE(w.findChild<QAction*>("miGer")->isChecked());
    EXPECT_FALSE(w.findChild<QAction*>("miUsa")->isChecked());
}

TEST_F(MainWindowTest, OnlineButtonAndF8ToggleTheOnlineState) {
    ctx().settings.Options[0] = 1;  // F8 for online and offline
    TfmMain& w = Window();
    w.ApplyShortcuts();
    QTest::mouseClick(w.OnlineButton(), Qt::LeftButton);
    EXPECT_EQ(ctx().settings.Online, 1);
    EXPECT_EQ(ctx().emse1.PortOpen, 1);
    EXPECT_TRUE(w.OnlineButton()->isChecked());
    EXPECT_EQ(PanelText(0), "Online");
    Key(Qt::Key_F8);
    EXPECT_EQ(ctx().settings.Online, 0);
    EXPECT_EQ(ctx().emse1.PortOpen, 0);
    Key(Qt::Key_F8);
    EXPECT_EQ(ctx().settings.Online, 1);
    w.Action("aGoOffl")->trigger();
    EXPECT_EQ(ctx().settings.Online, 0);
}

TEST_F(MainWindowTest, F8DoesNothingWithItsOptionFlagClear) {
    ctx().settings.Options[0] = 0;
    Window();
    Key(Qt::Key_F8);
    EXPECT_EQ(ctx().settings.Online, 0);
    EXPECT_TRUE(Window().Action("aGoOnl")->shortcut().isEmpty());
}

TEST_F(MainWindowTest, StoredOnlineStateIsAppliedAtItsTick) {
    ctx().settings.Online = 1;
    TfmMain& w = Window();
    rig.engine.Start();
    rig.Ticks(static_cast<int>(kOnlineApplyDelay));
    EXPECT_EQ(ctx().emse1.PortOpen, 0);
    rig.Tick();
    EXPECT_EQ(ctx().emse1.PortOpen, 1);
    EXPECT_TRUE(w.OnlineButton()->isChecked());
    EXPECT_EQ(PanelText(0), "Online");
}

TEST_F(MainWindowTest, DisplaySwitchingAndTheViewMenu) {
    TfmMain& w = Window();
    ASSERT_EQ(ctx().settings.OnlineDisplay, 1);
    QTest::mouseClick(w.DisplayButton(), Qt::LeftButton);
    EXPECT_EQ(ctx().settings.OnlineDisplay, 0);
    EXPECT_TRUE(w.Action("aAusgLog")->isChecked());
    OpenMenu(3);
    EXPECT_FALSE(w.Action("aClear")->isEnabled());
    EXPECT_FALSE(w.Action("aReset")->isEnabled());
    w.Action("aAusgOnl")->trigger();
    EXPECT_EQ(ctx().settings.OnlineDisplay, 1);
    OpenMenu(3);
    EXPECT_TRUE(w.Action("aClear")->isEnabled());
    EXPECT_TRUE(w.Action("aReset")->isEnabled());
    // The pop-up menu offers the view menu's entries.
    EXPECT_EQ(w.PopupMenu()->actions(), w.Menu(3)->actions());
}

TEST_F(MainWindowTest, FormatKeysAndTheTimeColumn) {
    TfmMain& w = Window();
    ctx().settings.DisplayFlag = 0;
    Key(Qt::Key_5);
    EXPECT_EQ(ctx().settings.DisplayFormat, 5);
    EXPECT_TRUE(w.Action("afHex")->isChecked());
    Key(Qt::Key_1);
    EXPECT_EQ(ctx().settings.DisplayFlag, 1);
    Key(Qt::Key_1);
    EXPECT_EQ(ctx().settings.DisplayFlag, 0);
    // The export format switches the time on and keeps it.
    Key(Qt::Key_7);
    EXPECT_EQ(ctx().settings.DisplayFormat, 7);
    EXPECT_EQ(ctx().settings.DisplayFlag, 1);
    Key(Qt::Key_1);
    EXPECT_EQ(ctx().settings.DisplayFlag, 1);
    EXPECT_TRUE(w.Action("aZeit")->isChecked());
    Key(Qt::Key_8);
    EXPECT_EQ(ctx().settings.DisplayFormat, 8);
    EXPECT_FALSE(w.Action("afCsv")->isChecked());
}

TEST_F(MainWindowTest, ClearEmptiesTheQueueAndResetMarksTheLogAndClearsCounters) {
    TfmMain& w = Window();
    rig.GoOnline();
    rig.Receive(rig.port1, {0x10, 0x45, 0x00, 0x45, 0x16});
    rig.Ticks(3);
    TTelegram rec{};
    ctx().log.Queue().Push(rec);
    w.Action("aClear")->trigger();
    EXPECT_FALSE(ctx().log.Queue().Take(rec));

    rig.sink.entries.clear();
    w.Action("aReset")->trigger();
    for (int k = 0; k < 8; ++k) EXPECT_EQ(ctx().log.Counter(k), 0u) << k;
    ASSERT_FALSE(rig.sink.entries.empty());
    const TTelegram& event = rig.sink.entries.back().rec;
    EXPECT_NE(std::string(reinterpret_cast<const char*>(event.Frame), event.FrameLen)
                  .find("Counters reset"),
              std::string::npos);
}

TEST_F(MainWindowTest, LogDeleteAsksWithTheFileNameAndClearsOnYes) {
    ctx().channelHooks.sink = &ctx().logSink;
    TTelegram rec{};
    rec.FrameLen = 1;
    ctx().log.Store(rec);
    ASSERT_EQ(ctx().log.RecordCount(), 1u);
    Window();
    rig.tc.ui.answers = {MessageResult::kNo};
    Key(Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(rig.tc.ui.messages.size(), 1u);
    EXPECT_NE(rig.tc.ui.messages[0].text.find((dir / "Q5Log.lg8").string()), std::string::npos);
    EXPECT_EQ(ctx().log.RecordCount(), 1u);
    rig.tc.ui.answers = {MessageResult::kYes};
    Key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(ctx().log.RecordCount(), 0u);
}

TEST_F(MainWindowTest, LogOpenAsksToGoOfflineThenShowsTheChosenLog) {
    const auto other = dir / "other.lg8";
    {
        TestContext t2;
        t2->run.DataDirectory = dir.path();
        ASSERT_TRUE(t2->log.Open(other, false));
        TTelegram rec{};
        rec.FrameLen = 1;
        for (int i = 0; i < 3; ++i) t2->log.Store(rec);
        t2->log.Close();
    }
    TfmMain& w = Window();
    rig.GoOnline();
    // No to going offline: nothing changes.
    dialogs.answers = {other};
    rig.tc.ui.answers = {MessageResult::kNo};
    w.Action("miLogOp")->trigger();
    EXPECT_EQ(ctx().settings.Online, 1);
    EXPECT_EQ(ctx().log.FilePath(), dir / "Q5Log.lg8");
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].firstText, txt::kLogOpenTitle);
    EXPECT_EQ(dialogs.asked[0].start, dir / "Q5Log.lg8");

    dialogs.answers = {other};
    rig.tc.ui.answers = {MessageResult::kYes};
    w.Action("miLogOp")->trigger();
    EXPECT_EQ(ctx().settings.Online, 0);
    EXPECT_EQ(ctx().log.FilePath(), other);
    EXPECT_EQ(ctx().log.RecordCount(), 3u);
    EXPECT_EQ(ctx().settings.OnlineDisplay, 0);
    EXPECT_EQ(w.RecentFiles().front(), QString::fromStdString(other.string()));

    // Cancelled: nothing asked, nothing changed.
    dialogs.answers = {std::nullopt};
    w.Action("miLogOp")->trigger();
    EXPECT_EQ(ctx().log.FilePath(), other);
}

TEST_F(MainWindowTest, LogSaveAsCopiesTheLogAndKeepsItOpen) {
    ctx().channelHooks.sink = &ctx().logSink;
    TTelegram rec{};
    rec.FrameLen = 1;
    for (int i = 0; i < 5; ++i) ctx().log.Store(rec);
    TfmMain& w = Window();
    const auto copy = dir / "copy.lg8";
    dialogs.answers = {copy};
    w.Action("miLogSav")->trigger();
    ASSERT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(ctx().log.FilePath(), dir / "Q5Log.lg8");
    EXPECT_TRUE(ctx().log.IsOpen());
    TestContext t2;
    ASSERT_TRUE(t2->log.OpenForReading(copy));
    EXPECT_EQ(t2->log.RecordCount(), 5u);
    EXPECT_EQ(w.RecentFiles().front(), QString::fromStdString(copy.string()));
}

TEST_F(MainWindowTest, SendShortcutsFollowTheirOptionFlags) {
    TfmMain& w = Window();
    ctx().settings.Options[5] = 0;  // Alt+F1..F12 off
    w.ApplyShortcuts();
    Key(Qt::Key_F1, Qt::AltModifier);
    EXPECT_TRUE(rig.tc.ui.messages.empty());
    ctx().settings.Options[5] = 1;
    w.ApplyShortcuts();
    Key(Qt::Key_F1, Qt::AltModifier);
    // Offline: the telegram is not sent, and the user is told so.
    ASSERT_EQ(rig.tc.ui.messages.size(), 1u);
    EXPECT_EQ(rig.tc.ui.messages[0].text, ctx().Txt(txt::kOfflineNoSend));
    rig.GoOnline();
    Key(Qt::Key_F1, Qt::AltModifier);
    EXPECT_EQ(ctx().sendTelegrams.Items[0].Head.SendState, 1);
    OpenMenu(2);
    EXPECT_TRUE(w.Action("miSeStop")->isEnabled());
    w.Action("miSeStop")->trigger();
    EXPECT_EQ(ctx().sendTelegrams.Items[0].Head.SendState, 0);
    OpenMenu(2);
    EXPECT_FALSE(w.Action("miSeStop")->isEnabled());
}

TEST_F(MainWindowTest, StoredFontSizeOutsideItsRangeStartsAtTen) {
    const struct {
        int stored, expected;
    } cases[] = {{17, 10}, {7, 10}, {8, 8}, {16, 16}, {12, 12}};
    for (const auto& c : cases) {
        ctx().settings.View.FontSize = c.stored;
        TfmMain w(ctx(), rig.engine, descriptions, dialogs);
        EXPECT_EQ(ctx().settings.View.FontSize, c.expected) << c.stored;
    }
}

TEST_F(MainWindowTest, RecentFilesKeepSixAndGoWithPlacementIntoTheSettings) {
    ctx().settings.History[0].assign("/data/a.lg8");
    ctx().settings.HistoryCount = 1;
    TfmMain& w = Window();
    EXPECT_EQ(w.RecentFiles(), QStringList{"/data/a.lg8"});
    for (int i = 1; i <= 7; ++i) w.AddRecentFile("/data/f" + std::to_string(i) + ".st8");
    w.AddRecentFile("/data/f5.st8");  // again: moves to the top, no duplicate
    const QStringList expected{"/data/f5.st8", "/data/f7.st8", "/data/f6.st8",
                               "/data/f4.st8", "/data/f3.st8", "/data/f2.st8"};
    EXPECT_EQ(w.RecentFiles(), expected);
    EXPECT_NE(w.findChild<QAction*>("mruFile6"), nullptr);
    EXPECT_EQ(w.findChild<QAction*>("mruFile7"), nullptr);

    bool closedFirst = false;
    w.onClose = [&] { closedFirst = ctx().settings.HistoryCount == 1; };
    w.setGeometry(150, 90, 800, 500);
    w.close();
    EXPECT_TRUE(closedFirst);
    EXPECT_EQ(ctx().settings.HistoryCount, 6);
    EXPECT_EQ(ctx().settings.History[0].str(), "/data/f5.st8");
    EXPECT_EQ(ctx().settings.History[5].str(), "/data/f2.st8");
    EXPECT_EQ(ctx().settings.WindowState, 1);
    EXPECT_EQ(ctx().settings.WindowWidth, 800);
    EXPECT_EQ(ctx().settings.WindowHeight, 500);

    // The next start puts the window where it was.
    TfmMain again(ctx(), rig.engine, descriptions, dialogs);
    again.RestorePlacement();
    EXPECT_EQ(again.geometry().size(), QSize(800, 500));
    EXPECT_EQ(again.geometry().topLeft(), QPoint(150, 90));
}

TEST_F(MainWindowTest, SendFileLoadAsksBeforeDroppingChangedTelegrams) {
    const auto other = dir / "other.st8";
    ASSERT_TRUE(SaveSendFile(ctx(), other));
    ASSERT_TRUE(SaveSendFile(ctx(), dir / "Q5Send.st8"));  // the file in use again
    TfmMain& w = Window();
    ctx().run.SendFileModified = true;
    dialogs.answers = {other};
    rig.tc.ui.answers = {MessageResult::kCancel};
    w.Action("miSeTeLoad")->trigger();
    ASSERT_EQ(rig.tc.ui.messages.size(), 1u);
    EXPECT_EQ(rig.tc.ui.messages[0].buttons, MessageButtons::kYesNoCancel);
    EXPECT_EQ(ctx().run.AuxFilePath, dir / "Q5Send.st8");

    dialogs.answers = {other};
    rig.tc.ui.answers = {MessageResult::kNo};
    w.Action("miSeTeLoad")->trigger();
    EXPECT_EQ(ctx().run.AuxFilePath, other);
    EXPECT_TRUE(w.windowTitle().endsWith("other.st8"));
    EXPECT_EQ(w.RecentFiles().front(), QString::fromStdString(other.string()));
}

TEST_F(MainWindowTest, ClosingShutsThePortsAndTheLogAndSavesChangedTelegramsAndSettings) {
    rig.GoOnline();
    TfmMain& w = Window();
    bool portsOpenAtWindowClose = false;
    w.onClose = [&] { portsOpenAtWindowClose = ctx().emse1.PortOpen == 1; };
    ctx().run.SendFileModified = true;
    std::filesystem::remove(dir / "Q5Send.st8");
    w.Action("miExit")->trigger();
    EXPECT_TRUE(
        portsOpenAtWindowClose);  // the window stops only the timer; the program closes the rest

    FakePlatform platform;
    CloseProgram(ctx(), platform);
    EXPECT_FALSE(rig.port1.IsOpen());
    EXPECT_FALSE(rig.port2.IsOpen());
    EXPECT_FALSE(ctx().log.IsOpen());
    EXPECT_TRUE(std::filesystem::exists(dir / "Q5Send.st8"));
    EXPECT_EQ(platform.storedDataDirectory, dir.path().string());
}

}  // namespace
}  // namespace vadrix::testing
