// The filter dialog through the main window, driven with keys and clicks: the display filter
// changes what the log view shows, the log filter what the log stores afterwards, a filter
// file saved and loaded through the pop-up menu keeps its bytes, a value out of range keeps
// the dialog open and Reset clears.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <iterator>

#include "MainWindowRig.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "core/log/LogFixture.h"
#include "gui/app/Q5MainF.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "gui/dialogs/Q5FltF.h"
#include "gui/log/Q5LogView.h"
#include "interpret/Descriptions.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

constexpr int kStationRow = 2;
constexpr int kLengthRow = 1;

class FilterDialogTest : public MainWindowRig {
  protected:
    void Drive(const char* action, std::function<void(TfmFlt&)> act) {
        MainWindowRig::Drive<TfmFlt>(action, std::move(act));
    }

    // Ticks or clears item i of a check list with the space key.
    static void ToggleItem(QListWidget* list, int i) {
        list->setFocus(Qt::TabFocusReason);
        list->setCurrentRow(i);
        QTest::keyClick(list, Qt::Key_Space);
    }
    // Types a value into a field as the user does: into it, everything selected, the digits.
    static void Type(QWidget* field, const char* text) {
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }
    // Picks item i of a combo box with the keys.
    static void Pick(QComboBox* box, int i) {
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(box, Qt::Key_Home);
        for (int k = 0; k < i; ++k) QTest::keyClick(box, Qt::Key_Down);
    }
    static std::string Bytes(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    FakeUserInterface& Ui() { return rig.tc.ui; }
};

TEST_F(FilterDialogTest, ASourceClearedInTheDisplayFilterLeavesTheLogView) {
    ctx().settings.View.Colours[0][0] = 3;  // received on channel 1: red
    ctx().settings.View.Colours[2][0] = 4;  // received on channel 2: green
    for (int i = 0; i < 10; ++i) {
        TTelegram e1 = MakeTelegram(12, source::kE1);
        TTelegram e2 = MakeTelegram(12, source::kE2);
        ctx().log.Store(e1);
        ctx().log.Store(e2);
    }
    TfmMain& w = Window();
    w.Action("aAusgLog")->trigger();
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 192, 0);
    ASSERT_GT(Pixels(w.LogView()->Image(), green), 50);
    const int redBefore = Pixels(w.LogView()->Image(), red);

    Drive("aAFilter", [this](TfmFlt& d) {
        EXPECT_EQ(d.windowTitle(), QTxt(ctx(), txt::kFilterCaptionDisplay));
        auto* sources = d.findChild<QListWidget*>("chlbTKen");
        ASSERT_EQ(sources->count(), 4);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(sources->item(i)->checkState(), Qt::Checked);
        // The record number row, off, offers the whole log.
        EXPECT_EQ(d.RowControls(0).value1->text(), "1");
        EXPECT_EQ(d.RowControls(0).value2->text(), "20");
        ToggleItem(sources, 2);  // E2
        EXPECT_EQ(sources->item(2)->checkState(), Qt::Unchecked);
        EXPECT_EQ(d.findChild<QStatusBar*>()->currentMessage(), QTxt(ctx(), txt::kGeneralHint));
        // Leaving the list clears its selection.
        QTest::mouseClick(d.RowControls(0).value1, Qt::LeftButton);
        EXPECT_TRUE(sources->selectedItems().isEmpty());
    });
    const TFilterRecord& f = ctx().general.DisplayFilter;
    EXPECT_EQ(f.SourceMask, 0b1011);
    EXPECT_EQ(f.FilterActive, 1);
    EXPECT_EQ(f.FilterOn, 1);
    EXPECT_EQ(Pixels(w.LogView()->Image(), green), 0);
    EXPECT_GE(Pixels(w.LogView()->Image(), red), redBefore);
    EXPECT_EQ(w.Action("aAFiltAE")->text(), QTxt(ctx(), txt::kFilterToggleBase + 1));

    // The filter's toggle brings the records back.
    w.Action("aAFiltAE")->trigger();
    EXPECT_GT(Pixels(w.LogView()->Image(), green), 50);
}

TEST_F(FilterDialogTest, AStationRowInTheLogFilterDecidesWhatIsStored) {
    Drive("miLFilter", [this](TfmFlt& d) {
        EXPECT_EQ(d.windowTitle(), QTxt(ctx(), txt::kFilterCaptionLog));
        const TfmFlt::Row& station = d.RowControls(kStationRow);
        EXPECT_EQ(station.label->text(), QTxt(ctx(), txt::kRowLabelStation));
        Pick(station.mode, 1);  // is
        Type(station.value1, "5");
        EXPECT_EQ(d.findChild<QStatusBar*>()->currentMessage(),
                  QTxt(ctx(), txt::kValueHint) + "127" + QTxt(ctx(), txt::kValueHintEnd));
        Pick(station.compare, 1);  // equal to either value
        Type(station.value2, "7");
    });
    const TFilterRecord& f = ctx().general.LogFilter;
    EXPECT_EQ(f.FilterOn, 1);
    EXPECT_EQ(f.Rows[kStationRow].RowMode, 1);
    EXPECT_EQ(f.Rows[kStationRow].RowValue1, 5);
    EXPECT_EQ(f.Rows[kStationRow].RowCompare, 1);
    EXPECT_EQ(f.Rows[kStationRow].RowValue2, 7);
    EXPECT_EQ(ctx().general.DisplayFilter.FilterOn, 0);

    const std::uint32_t before = ctx().log.RecordCount();
    for (const int st : {5, 6, 7, 9, 5}) {
        TTelegram t = MakeTelegram(12, source::kE1, status::kGood, kind::kVariable,
                                   static_cast<std::uint8_t>(st));
        ctx().log.Store(t);
    }
    EXPECT_EQ(ctx().log.RecordCount(), before + 3);

    // Cancel leaves the filter as it was.
    QTimer::singleShot(50, [] {
        if (auto* d = qobject_cast<TfmFlt*>(QApplication::activeModalWidget())) {
            Pick(d->RowControls(kStationRow).mode, 0);
            QTest::mouseClick(d->findChild<QPushButton*>("btnAbbr"), Qt::LeftButton);
        }
    });
    Window().Action("miLFilter")->trigger();
    EXPECT_EQ(ctx().general.LogFilter.Rows[kStationRow].RowMode, 1);
}

TEST_F(FilterDialogTest, AValueOutOfRangeKeepsTheDialogOpen) {
    Drive("aAFilter", [this](TfmFlt& d) {
        const TfmFlt::Row& length = d.RowControls(kLengthRow);
        Pick(length.mode, 2);  // is not
        Type(length.value1, "262");
        QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        ASSERT_FALSE(Ui().messages.empty());
        EXPECT_NE(Ui().messages.back().text.find("261"), std::string::npos);
        EXPECT_TRUE(length.value1->InError());
        Type(length.value1, "261");
    });
    EXPECT_EQ(ctx().general.DisplayFilter.Rows[kLengthRow].RowMode, 2);
    EXPECT_EQ(ctx().general.DisplayFilter.Rows[kLengthRow].RowValue1, 261);
}

TEST_F(FilterDialogTest, AFilterFileKeepsItsBytesAndResetClears) {
    const auto first = dir / "first.flt";
    const auto second = dir / "second.flt";
    const auto bad = dir / "bad.flt";
    {
        std::ofstream out(bad, std::ios::binary);
        out << std::string(211, '\0');
    }
    // Bounds that are off show the log's times, which stay as they are.
    for (int i = 0; i < 3; ++i) {
        TTelegram t = MakeTelegram(12);
        ctx().log.Store(t);
    }
    Drive("aAFilter", [&](TfmFlt& d) {
        QCheckBox* from = d.findChild<QCheckBox*>("chbVon");
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, Qt::Key_Space);
        EXPECT_TRUE(from->isChecked());
        ToggleItem(d.findChild<QListWidget*>("chlbStat"), 1);  // good ones only
        ToggleItem(d.findChild<QListWidget*>("chlbDa"), 0);
        const TfmFlt::Row& length = d.RowControls(kLengthRow);
        Pick(length.mode, 1);
        Type(length.value1, "10");
        Pick(length.compare, 2);
        Type(length.value2, "5");

        // A right click on a field opens the pop-up menu; its save entry is clicked.
        dialogs.answers = {first};
        QMenu* menu = d.LoadSaveMenu();
        QTimer::singleShot(50, menu, [menu] {
            EXPECT_TRUE(menu->isVisible());
            QAction* save = menu->findChild<QAction*>("miSave");
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(save).center());
        });
        QWidget* field = length.value1;
        QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(4, 4),
                                field->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(field, &right);
        EXPECT_FALSE(menu->isVisible());
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_TRUE(dialogs.asked[0].save);
        EXPECT_EQ(dialogs.asked[0].firstText, txt::kFilterSave);
        EXPECT_EQ(dialogs.asked[0].start, dir / "Filter");
        ASSERT_EQ(std::filesystem::file_size(first), sizeof(TFilterRecord));

        QTest::mouseClick(d.findChild<QPushButton*>("btnReset"), Qt::LeftButton);
        EXPECT_FALSE(from->isChecked());
        EXPECT_EQ(length.mode->currentIndex(), 0);
        EXPECT_EQ(d.Filter().FilterActive, 0);
        EXPECT_EQ(d.findChild<QListWidget*>("chlbStat")->item(1)->checkState(), Qt::Checked);

        // A file that is no filter file changes nothing.
        dialogs.answers = {bad};
        d.findChild<QAction*>("miLoad")->trigger();
        EXPECT_EQ(dialogs.asked.back().firstText, txt::kFilterLoad);
        EXPECT_EQ(length.mode->currentIndex(), 0);

        dialogs.answers = {first};
        d.findChild<QAction*>("miLoad")->trigger();
        EXPECT_TRUE(from->isChecked());
        EXPECT_EQ(length.mode->currentIndex(), 1);
        EXPECT_EQ(length.compare->currentIndex(), 2);
        EXPECT_EQ(length.value1->text(), "10");
        EXPECT_EQ(d.findChild<QListWidget*>("chlbStat")->item(1)->checkState(), Qt::Unchecked);

        dialogs.answers = {second};
        d.findChild<QAction*>("miSave")->trigger();
    });
    const std::string bytes = Bytes(first);
    EXPECT_EQ(bytes.size(), sizeof(TFilterRecord));
    EXPECT_EQ(Bytes(second), bytes);
    const TFilterRecord& f = ctx().general.DisplayFilter;
    EXPECT_EQ(f.FilterOn, 1);
    EXPECT_EQ(f.ShowGood, 1);
    EXPECT_EQ(f.ShowFaulty, 0);
    EXPECT_EQ(f.DataKindMask, 0b1110);
    EXPECT_EQ(f.FromEnabled, 1);
    EXPECT_EQ(f.Rows[kLengthRow].RowValue2, 5);
}

}  // namespace
}  // namespace vadrix::testing
