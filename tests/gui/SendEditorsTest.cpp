// The send telegram editor, the send list editor and the type picker driven through their
// widgets from the main window's edit actions: type changes, refused values, Escape, the
// 400 rows, the clipboard, sending by hand onto a fake port, following a running list, and
// a set-up that round-trips through the send telegram file and vadrix-cli setup.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "../tools/CliRun.h"
#include "MainWindowRig.h"
#include "app/Language.h"
#include "app/SendDefaults.h"
#include "common/TextIds.h"
#include "editors/TypeCodes.h"
#include "gui/app/Q5MainF.h"
#include "gui/common/QtText.h"
#include "gui/editors/EditorForm.h"
#include "gui/editors/Q5SLiF.h"
#include "gui/editors/Q5STeF.h"
#include "gui/editors/Q5TypF.h"
#include "gui/editors/SendEditors.h"
#include "gui/editors/SendListGrid.h"
#include "interpret/Descriptions.h"
#include "log/SendFile.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"
#include "transmit/Compose.h"

namespace vadrix::testing {
namespace {

class SendEditorsTest : public MainWindowRig {
  protected:
    void SetUp() override {
        MainWindowRig::SetUp();
        if (HasFatalFailure()) return;
        ctx().run.FieldSeparator = ';';
        SetDefaultSendTelegrams(ctx());
        SetDefaultSendLists(ctx());
        Window();
    }
    void TearDown() override { window.reset(); }

    TfmSeTe& EditTelegram(int slot) {
        window->Action("aPaTe" + std::to_string(slot))->trigger();
        TfmSeTe* e = window->Editors()->TelegramEditor();
        EXPECT_NE(e, nullptr);
        Activate(e);
        return *e;
    }
    TfmSeLi& EditList(int slot) {
        window->Action("aPaLi" + std::to_string(slot))->trigger();
        TfmSeLi* e = window->Editors()->ListEditor();
        EXPECT_NE(e, nullptr);
        Activate(e);
        return *e;
    }
    static void Activate(QWidget* w) {
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        QCoreApplication::processEvents();
    }
    template <typename T>
    static T* Child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void Type(QWidget* field, const QString& text) {
        field->setFocus();
        auto* line = qobject_cast<QLineEdit*>(field);
        if (line) line->selectAll();
        QTest::keyClicks(field, text);
    }
    // F2 opens the active cell's editor; the text replaces what it holds.
    static void EditCell(SendGrid* grid, const QString& text) {
        grid->window()->activateWindow();
        grid->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }
    // Leaves the focused control as a user does with Tab.
    static void Leave(QWidget* field) {
        QTest::keyClick(field, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
    FakeUserInterface& ui() { return rig.tc.ui; }
    bool EditorOpen() {
        QCoreApplication::processEvents();
        return window->Editors()->TelegramEditor() || window->Editors()->ListEditor();
    }
};

TEST_F(SendEditorsTest, ATypeChangeBringsTemplateNameAndFields) {
    TfmSeTe& e = EditTelegram(6);  // type 5
    EXPECT_EQ(e.windowTitle(), "Send telegram 6 (edit)");
    auto* name = Child<QLineEdit>(&e, "sfBez");
    EXPECT_EQ(name->text(), QTxt(ctx(), txt::kTypeNameBase + 5).left(27));
    auto* type = Child<QComboBox>(&e, "cbTelTyp");
    type->setFocus();
    for (int i = 5; i < 12; ++i) QTest::keyClick(type, Qt::Key_Down);
    EXPECT_EQ(type->currentIndex(), 12);
    Leave(type);
    const TypeTemplate t = TypeTemplateOf(ctx(), 12);
    EXPECT_EQ(name->text(), QTxt(ctx(), txt::kTypeNameBase + 12).left(27));
    EXPECT_EQ(Child<QLineEdit>(&e, "sfTelNr")->text(), QString::number(t.TelNr));
    EXPECT_EQ(Child<QLineEdit>(&e, "sfLg")->text(), QString::number(t.Lg));
    EXPECT_EQ(Child<QLineEdit>(&e, "sfB1")->text(), BitText(ctx(), t.B[0]));
    // The byte fields shown follow the template's length code.
    EXPECT_EQ(Child<QLineEdit>(&e, "sfB6")->isVisible(), t.Lg >= 6);

    // Types 44 and 76 hide the entry fields; type 3 shows them again.
    type->setFocus();
    type->setCurrentIndex(44);
    Leave(type);
    EXPECT_FALSE(Child<QLineEdit>(&e, "sfTelNr")->isVisible());
    type->setFocus();
    type->setCurrentIndex(3);
    Leave(type);
    EXPECT_TRUE(Child<QLineEdit>(&e, "sfTelNr")->isVisible());

    QTest::mouseClick(Child<QPushButton>(&e, "btnOK"), Qt::LeftButton);
    EXPECT_FALSE(EditorOpen());
    EXPECT_EQ(ctx().sendTelegrams.Items[5].Head.Entry.Typ, 3);
    EXPECT_TRUE(ctx().run.SendFileModified);
    EXPECT_TRUE(window->Action("aPaTe6")->text().endsWith(
        QTxt(ctx(), txt::kTypeNameBase + 3).left(27) + "..."));
}

TEST_F(SendEditorsTest, ABadValueIsRefusedWithItsMessageAndChangesNothing) {
    const TSendTelegram before = ctx().sendTelegrams.Items[2];
    TfmSeTe& e = EditTelegram(3);
    auto* b1 = Child<EntryField>(&e, "sfB1");
    Type(b1, "256");
    Leave(b1);
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text, "Enter a number from 0 to 255.");
    EXPECT_TRUE(b1->InError());
    EXPECT_EQ(QApplication::focusWidget(), b1);
    QTest::mouseClick(Child<QPushButton>(&e, "btnOK"), Qt::LeftButton);
    EXPECT_TRUE(EditorOpen());  // OK does nothing while a field is invalid
    EXPECT_EQ(std::memcmp(&before, &ctx().sendTelegrams.Items[2], sizeof before), 0);

    // $FF, 255 and eight one-characters all give 255, shown as a bit string.
    for (const char* text : {"$FF", "255", "11111111"}) {
        Type(b1, text);
        Leave(b1);
        EXPECT_FALSE(b1->InError()) << text;
        EXPECT_EQ(b1->text(), "11111111");
    }
    auto* minute = Child<EntryField>(&e, "sfMin");
    Type(minute, "60");
    Leave(minute);
    EXPECT_EQ(ui().messages.back().text, "Enter a number from 0 to 59.");
}

TEST_F(SendEditorsTest, EscapeAsksOnlyAfterAChangeAndNoKeepsTheWindow) {
    TfmSeTe& unchanged = EditTelegram(1);
    QTest::keyClick(Child<QLineEdit>(&unchanged, "sfBez"), Qt::Key_Escape);
    EXPECT_FALSE(EditorOpen());
    EXPECT_TRUE(ui().messages.empty());

    TfmSeTe& e = EditTelegram(1);
    auto* name = Child<QLineEdit>(&e, "sfBez");
    Type(name, "changed");
    ui().answers = {MessageResult::kNo};
    QTest::keyClick(name, Qt::Key_Escape);
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text, ctx().Txt(txt::kAskDiscardChanges));
    EXPECT_TRUE(EditorOpen());
    ui().answers = {MessageResult::kYes};
    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_FALSE(EditorOpen());
    EXPECT_NE(ctx().sendTelegrams.Items[0].Head.Bez.str(), "changed");
}

TEST_F(SendEditorsTest, EnterMovesOnAndTheLastFocusComesBackNextTime) {
    TfmSeTe& e = EditTelegram(5);
    auto* name = Child<QLineEdit>(&e, "sfBez");
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), Child<QComboBox>(&e, "cbAnst"));
    auto* pause = Child<QLineEdit>(&e, "sfWZt");
    pause->setFocus();
    EXPECT_EQ(e.StatusBar()->currentMessage(), QTxt(ctx(), txt::kPauseLabel + 1));
    // The start byte's hint says what the byte means for the start chosen.
    Child<QComboBox>(&e, "cbAnst")->setCurrentIndex(2);
    Child<QLineEdit>(&e, "sfAnstByte")->setFocus();
    EXPECT_EQ(e.StatusBar()->currentMessage(), QTxt(ctx(), txt::kStartByteHintBase + 2));
    pause->setFocus();
    QTest::mouseClick(Child<QPushButton>(&e, "btnOK"), Qt::LeftButton);
    EXPECT_GT(ctx().sendTelegrams.Items[4].Head.FocusIndex, 0);
    TfmSeTe& again = EditTelegram(5);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>(&again, "sfWZt"));
}

TEST_F(SendEditorsTest, OneEditorAtATimeAndF12BelongsToIt) {
    ctx().settings.Options[3] = 1;  // F12 for the display filter
    window->ApplyShortcuts();
    EXPECT_EQ(window->Action("aAFilter")->shortcut(), QKeySequence(Qt::Key_F12));
    TfmSeTe& e = EditTelegram(2);
    EXPECT_EQ(ctx().run.OpenSendEditor, 1);
    EXPECT_TRUE(window->Action("aAFilter")->shortcut().isEmpty());
    window->Action("aPaLi4")->trigger();  // brings the open editor to the front instead
    EXPECT_EQ(window->Editors()->ListEditor(), nullptr);
    EXPECT_EQ(e.Slot(), 2);
    e.close();
    EXPECT_FALSE(EditorOpen());
    EXPECT_EQ(ctx().run.OpenSendEditor, 0);
    EXPECT_EQ(window->Action("aAFilter")->shortcut(), QKeySequence(Qt::Key_F12));
}

TEST_F(SendEditorsTest, SendingByHandPutsTheTelegramOnThePortByteExact) {
    rig.GoOnline();
    TfmSeTe& e = EditTelegram(9);
    Type(Child<QLineEdit>(&e, "sfTelNr"), "700");
    Type(Child<QLineEdit>(&e, "sfAnzT"), "0");  // no limit, and a long pause after each
    Type(Child<QLineEdit>(&e, "sfWZt"), "100000");
    QTest::mouseClick(Child<QPushButton>(&e, "btnSend"), Qt::LeftButton);
    const TSendTelegram stored = ctx().sendTelegrams.Items[8];
    EXPECT_EQ(stored.Head.Entry.TelNr, 700);
    rig.port1.written.clear();
    rig.Ticks(5);
    // What the composer makes of the stored telegram for the same channel.
    TSendTelegram copy = stored;
    TEmSe shadow = ctx().emse1;
    ComposeTelegram(ctx(), shadow, copy);
    const std::vector<std::uint8_t> expected(shadow.TxBuffer.Frame,
                                             shadow.TxBuffer.Frame + shadow.TxBuffer.FrameLen);
    EXPECT_EQ(rig.port1.written, expected);
    // The editor shows what the scheduler did.
    QTest::qWait(300);
    const QString state = Child<QLabel>(e.StatusBar(), "sendState")->text();
    EXPECT_EQ(state, "Sent: 1 - pausing");
    e.close();

    // Offline the editor stores all the same and says why nothing is sent.
    rig.engine.SetOnline(false);
    TfmSeTe& again = EditTelegram(9);
    QTest::mouseClick(Child<QPushButton>(&again, "btnSend"), Qt::LeftButton);
    EXPECT_EQ(ui().messages.back().text, ctx().Txt(txt::kOfflineNoSend));
}

TEST_F(SendEditorsTest, TheGridHoldsFourHundredRowsAndRefusesTheFourHundredAndFirst) {
    TfmSeLi& e = EditList(1);
    SendGrid* grid = e.Grid();
    EXPECT_EQ(grid->model()->rowCount(), 400);
    grid->setFocus();
    grid->SetActiveCell(399, grid_col::kTelNr);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 399);
    // Three rows pasted at row 399: two fit, the third is dropped.
    QApplication::clipboard()->setText(
        "1;5;2;0;901;4;1;2;3;4;5;0;0;0;0;\r\n"
        "1;5;2;0;902;4;1;2;3;4;5;0;0;0;0;\r\n"
        "1;5;2;0;903;4;1;2;3;4;5;0;0;0;0;\r\n");
    grid->SetActiveCell(398, grid_col::kTelNr);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e.Working().Row(399).TelNr, 901);
    EXPECT_EQ(e.Working().Row(400).TelNr, 902);
    EXPECT_EQ(grid->model()->rowCount(), 400);
    // A refused cell stays in editing with its message.
    grid->SetActiveCell(0, grid_col::kTelNr);
    EditCell(grid, "1024");
    ASSERT_TRUE(grid->Editing());
    EXPECT_FALSE(grid->EndEdit());
    EXPECT_EQ(ui().messages.back().text, "Enter a number from 0 to 1023.");
    EXPECT_TRUE(grid->Editing());
    QTest::mouseClick(Child<QPushButton>(&e, "btnOK"), Qt::LeftButton);
    EXPECT_TRUE(EditorOpen());
}

TEST_F(SendEditorsTest, CutAndPasteOfThreeRowsBetweenTwoListsKeepsEveryField) {
    TSendList& source = ctx().sendLists.Items[0];
    for (int r = 2; r <= 4; ++r) {
        TSendEntry& row = source.Row(r);
        row = TSendEntry{static_cast<std::uint16_t>(100 + r), 1, 6, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 3,
                         static_cast<std::int8_t>(10 + r),    5};
    }
    const TSendList original = source;
    TfmSeLi& first = EditList(1);
    SendGrid* grid = first.Grid();
    grid->setFocus();
    grid->SetActiveCell(1, grid_col::kTyp);
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(1, 0), grid->model()->index(3, 6)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(grid, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(first.Working().Row(2).TelNr, original.Row(5).TelNr);
    const TSendEntry fresh;
    EXPECT_EQ(std::memcmp(&first.Working().Row(400), &fresh, sizeof fresh), 0);
    QTest::mouseClick(Child<QPushButton>(&first, "btnOK"), Qt::LeftButton);
    EXPECT_FALSE(EditorOpen());

    TfmSeLi& second = EditList(2);
    grid = second.Grid();
    grid->setFocus();
    grid->SetActiveCell(9, grid_col::kAkt);
    const TSendEntry formerTenth = second.Working().Row(10);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(
            std::memcmp(&second.Working().Row(10 + i), &original.Row(2 + i), sizeof(TSendEntry)), 0)
            << "row " << 10 + i;
    EXPECT_EQ(std::memcmp(&second.Working().Row(13), &formerTenth, sizeof(TSendEntry)), 0);
    QTest::mouseClick(Child<QPushButton>(&second, "btnOK"), Qt::LeftButton);
    EXPECT_EQ(ctx().sendLists.Items[1].ActiveCount, 3);
    EXPECT_EQ(ctx().sendLists.Items[1].LastActive, 12);
}

TEST_F(SendEditorsTest, ThePickerAndTheTypeCellSetTheRowsType) {
    TfmSeLi& e = EditList(3);
    SendGrid* grid = e.Grid();
    grid->setFocus();
    grid->SetActiveCell(4, grid_col::kTyp);
    QTimer::singleShot(0, [] {
        auto* picker = qobject_cast<TfmTyp*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->width(), TfmTyp::kWidth);
        EXPECT_EQ(picker->List()->currentRow(), 8);  // the default row's type
        picker->List()->setCurrentRow(12);
        QTest::keyClick(picker->List(), Qt::Key_Return);
    });
    QTest::keyClick(grid, Qt::Key_F12);
    const TypeTemplate t = TypeTemplateOf(ctx(), 12);
    EXPECT_EQ(e.Working().Row(5).Typ, 12);
    EXPECT_EQ(e.Working().Row(5).TelNr, t.TelNr);
    EXPECT_EQ(e.Working().Row(5).Lg, t.Lg);

    // A type code in the cell: group 0, number 6 with "B" is type 6.
    grid->SetActiveCell(5, grid_col::kTyp);
    const std::string code = std::string(ctx().Txt(txt::kClassCodes).substr(0, 2)) + "6B";
    EditCell(grid, QString::fromStdString(code));
    ASSERT_TRUE(grid->EndEdit());
    EXPECT_EQ(e.Working().Row(6).Typ, 6);
    // The information cell of a signed type with five information bytes: 5 -3 7 -1.
    grid->SetActiveCell(6, grid_col::kTyp);
    EditCell(grid, "8");
    ASSERT_TRUE(grid->EndEdit());
    grid->SetActiveCell(6, grid_col::kInf);
    EditCell(grid, "5 -3 7 -1");
    ASSERT_TRUE(grid->EndEdit());
    EXPECT_EQ(grid->model()->index(6, grid_col::kInf).data().toString().trimmed(), "5 -3 7 -1");
    const TSendEntry& row = e.Working().Row(7);
    EXPECT_EQ(std::vector<int>(row.B, row.B + 5), (std::vector<int>{5, 253, 7, 255, 0b1010}));
}

TEST_F(SendEditorsTest, TheListEditorFollowsARunningListRowByRow) {
    TSendList& l = ctx().sendLists.Items[6];
    l.Head.WZt = 0;
    l.Head.AnzT = 0;
    l.Head.AnzO = 1;
    for (int r : {2, 5, 9}) l.Row(r).Akt = 1;
    rig.GoOnline();
    TfmSeLi& e = EditList(7);
    e.Grid()->SetActiveCell(1, grid_col::kAkt);
    QTest::mouseClick(Child<QPushButton>(&e, "btnSend"), Qt::LeftButton);
    EXPECT_EQ(l.Head.NotifyWindow, e.Handle());
    // Each round sends one row; the grid's active row moves to the row after it.
    std::vector<int> rows;
    for (int i = 0; i < 60 && rows.size() < 4; ++i) {
        const int before = e.Grid()->currentIndex().row();
        rig.Tick();
        QCoreApplication::processEvents();
        const int now = e.Grid()->currentIndex().row();
        if (now != before) rows.push_back(now + 1);
    }
    EXPECT_EQ(rows, (std::vector<int>{3, 6, 1, 3}));
    e.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(l.Head.NotifyWindow, 0);
}

TEST_F(SendEditorsTest, ASetUpSavedFromTheEditorsComesBackByteForByte) {
    TfmSeTe& t = EditTelegram(4);
    Type(Child<QLineEdit>(&t, "sfBez"), "Feeder 4");
    Type(Child<QLineEdit>(&t, "sfWZt"), "2500");
    QTest::mouseClick(Child<QPushButton>(&t, "btnOK"), Qt::LeftButton);
    TfmSeLi& l = EditList(5);
    l.Grid()->setFocus();
    l.Grid()->SetActiveCell(2, grid_col::kAkt);
    QTest::keyClick(l.Grid(), Qt::Key_Space);
    Type(Child<QLineEdit>(&l, "sfAnzO"), "3");
    QTest::mouseClick(Child<QPushButton>(&l, "btnOK"), Qt::LeftButton);
    ASSERT_TRUE(ctx().run.SendFileModified);

    const std::filesystem::path file = dir / "set-up.st8";
    dialogs.answers = {file};
    window->Action("miSeTeSav")->trigger();
    ASSERT_TRUE(std::filesystem::exists(file));
    const std::string saved = ReadFileText(file);

    // Loaded into another program and saved again: the same bytes.
    TestContext other;
    ASSERT_TRUE(LoadSendFile(*other, file));
    EXPECT_EQ(std::memcmp(&other->sendTelegrams, &ctx().sendTelegrams, sizeof(TSendTelegramTable)),
              0);
    EXPECT_EQ(std::memcmp(&other->sendLists, &ctx().sendLists, sizeof(TSendListTable)), 0);
    ASSERT_TRUE(SaveSendFile(*other, dir / "again.st8"));
    EXPECT_EQ(ReadFileText(dir / "again.st8"), saved);

    // Through vadrix-cli setup: its listing makes the same file again.
    TempDir cli;
    PlaceCliWithTexts(cli);
    std::filesystem::copy_file(file, cli / "a.st8");
    const CliRun listing = RunCli(cli, "setup a.st8", false);
    ASSERT_EQ(listing.exitCode, 0) << listing.errors;
    std::ofstream(cli / "listing.txt", std::ios::binary) << listing.output;
    ASSERT_EQ(RunCli(cli, "setup b.st8 --from listing.txt", false).exitCode, 0);
    TestContext fromCli;
    ASSERT_TRUE(LoadSendFile(*fromCli, cli / "b.st8"));
    EXPECT_EQ(
        std::memcmp(&fromCli->sendTelegrams, &ctx().sendTelegrams, sizeof(TSendTelegramTable)), 0);
    EXPECT_EQ(std::memcmp(&fromCli->sendLists, &ctx().sendLists, sizeof(TSendListTable)), 0);
}

TEST_F(SendEditorsTest, AFreeBitStringShowsTheComposedFrameAndKeepsItsBits) {
    TfmSeTe& e = EditTelegram(6);  // type 5
    auto* type = Child<QComboBox>(&e, "cbTelTyp");
    auto* memo = Child<QPlainTextEdit>(&e, "Memo");
    EXPECT_FALSE(memo->isVisible());
    type->setFocus();
    type->setCurrentIndex(kTypeFreeBits);
    Leave(type);
    EXPECT_TRUE(memo->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(&e, "sfTelNr")->isVisible());
    // The telegram as composed for its channel, one byte per line.
    TSendTelegram probe = ctx().sendTelegrams.Items[5];
    TEmSe shadow = ctx().emse1;
    ComposeTelegram(ctx(), shadow, probe);
    const int frameLen = shadow.TxBuffer.FrameLen;
    const QStringList lines = memo->toPlainText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), frameLen);
    EXPECT_EQ(lines[0].trimmed().remove(' '),
              QString::number(shadow.TxBuffer.Frame[0], 2).rightJustified(8, '0'));
    QTest::mouseClick(Child<QPushButton>(&e, "btnOK"), Qt::LeftButton);
    const TSendTelegram& stored = ctx().sendTelegrams.Items[5];
    EXPECT_EQ(stored.Head.Entry.Typ, kTypeFreeBits);
    EXPECT_EQ(stored.DataCount, 8 * frameLen);
    EXPECT_TRUE(std::equal(stored.Data, stored.Data + frameLen, shadow.TxBuffer.Frame));
}

TEST_F(SendEditorsTest, TelegramAndListFilesFromTheEditorsPopUpMenus) {
    TfmSeTe& t = EditTelegram(2);
    Type(Child<QLineEdit>(&t, "sfBez"), "Saved");
    const std::filesystem::path telegramFile = dir / "t.txt";
    dialogs.answers = {telegramFile};
    t.LoadSaveMenu()->findChild<QAction*>("miSave")->trigger();
    EXPECT_EQ(dialogs.asked.back().firstText, txt::kTelegramSave);
    EXPECT_EQ(dialogs.asked.back().start, dir / "SendTelegram2");
    EXPECT_EQ(ctx().sendTelegrams.Items[1].Head.Bez.str(), "Saved");  // saving stores
    const std::string text = ReadFileText(telegramFile);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    Type(Child<QLineEdit>(&t, "sfBez"), "Other");
    dialogs.answers = {telegramFile};
    t.LoadSaveMenu()->findChild<QAction*>("miLoad")->trigger();
    EXPECT_EQ(Child<QLineEdit>(&t, "sfBez")->text(), "Saved");
    t.close();

    TfmSeLi& l = EditList(8);
    const std::filesystem::path listFile = dir / "l.txt";
    dialogs.answers = {listFile};
    l.LoadSaveMenu()->findChild<QAction*>("miSave")->trigger();
    std::string lines = ReadFileText(listFile);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 401);
    // A broken fifth line: rows 1 to 399 come from the other lines, row 400 stays.
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) at = lines.find('\n', at) + 1;
    lines.replace(at, lines.find('\n', at) - at, "broken\r");
    for (std::size_t p = lines.find(";520;"); p != std::string::npos;
         p = lines.find(";520;", p + 1))
        lines.replace(p, 5, ";777;");
    std::ofstream(listFile, std::ios::binary) << lines;
    dialogs.answers = {listFile};
    l.LoadSaveMenu()->findChild<QAction*>("miLoad")->trigger();
    EXPECT_EQ(l.Working().Row(399).TelNr, 777);
    EXPECT_EQ(l.Working().Row(400).TelNr, 520);
    EXPECT_EQ(ctx().sendLists.Items[7].Row(1).TelNr, 520);  // nothing stored before OK
}

TEST_F(SendEditorsTest, EditorsFollowTheLanguage) {
    TfmSeLi& e = EditList(2);
    EXPECT_EQ(e.Grid()->model()->headerData(1, Qt::Horizontal).toString(), "Act.");
    window->findChild<QAction*>("miGer")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(e.windowTitle(),
              QTxt(ctx(), txt::kSendListName) + "2" + QTxt(ctx(), txt::kEditorCaptionSuffix));
    EXPECT_EQ(e.Grid()->model()->headerData(1, Qt::Horizontal).toString(), "Akt.");
    EXPECT_EQ(Child<QPushButton>(&e, "btnAbbr")->text(), "Abbrechen");
}

}  // namespace
}  // namespace vadrix::testing
