// The colours and options dialogs through the main window: a colour chosen shows in the log
// view's next redraw, the font size list follows the stored size, and an option flag ticked
// in the dialog gives its command its key.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "MainWindowRig.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "core/log/LogFixture.h"
#include "gui/app/Q5MainF.h"
#include "gui/common/QtText.h"
#include "gui/dialogs/Q5FarbF.h"
#include "gui/dialogs/Q5OptF.h"
#include "gui/log/Q5LogView.h"
#include "interpret/Descriptions.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

class ViewSettingsTest : public MainWindowRig {};

TEST_F(ViewSettingsTest, AColourChosenShowsInTheNextRedraw) {
    for (int i = 0; i < 20; ++i) {
        TTelegram t = MakeTelegram(12, source::kE1);
        ctx().log.Store(t);
    }
    TfmMain& w = Window();
    w.Action("aAusgLog")->trigger();
    const QRgb red = qRgb(255, 0, 0);
    const int before = Pixels(w.LogView()->Image(), red);
    Drive<TfmFarb>("miTelSize", [](TfmFarb& d) {
        d.TextColour(0)->setCurrentIndex(2);  // received on channel 1: red
        const QColor shown = d.Sample(0)->palette().color(QPalette::WindowText);
        EXPECT_EQ(shown, QColor(255, 0, 0));
    });
    EXPECT_EQ(ctx().settings.View.Colours[0][0], 3);
    EXPECT_GT(Pixels(w.LogView()->Image(), red), before + 50);
}

TEST_F(ViewSettingsTest, TheSizeListFollowsTheStoredSize) {
    const std::string_view items = ctx().Txt(txt::kFontSizeItems);
    EXPECT_EQ(FontSizeItem(items, 8), 0);
    EXPECT_EQ(FontSizeItem(items, 10), 2);
    EXPECT_EQ(FontSizeItem(items, 16), 8);
    EXPECT_EQ(FontSizeItem(items, 17), 0);  // digits that do not occur
    ctx().settings.View.FontSize = 12;
    Drive<TfmFarb>("miTelSize", [](TfmFarb& d) {
        auto* size = d.findChild<QComboBox*>("cbSize");
        EXPECT_EQ(size->currentText(), "12");
        size->setCurrentIndex(6);
    });
    EXPECT_EQ(ctx().settings.View.FontSize, 14);
}

TEST_F(ViewSettingsTest, AnOptionTickedGivesItsCommandItsKey) {
    ctx().settings.Options[0] = 0;
    TfmMain& w = Window();
    EXPECT_TRUE(w.Action("aGoOnl")->shortcut().isEmpty());
    Drive<TfmOpt>("miOpt", [this](TfmOpt& d) {
        EXPECT_EQ(d.List()->count(), 14);
        EXPECT_EQ(d.List()->item(0)->text(), QTxt(ctx(), txt::kOptionTextBase));
        EXPECT_EQ(d.List()->item(10)->checkState(), Qt::Checked);
        d.List()->item(0)->setCheckState(Qt::Checked);
    });
    EXPECT_EQ(ctx().settings.Options[0], 1);
    EXPECT_EQ(w.Action("aGoOnl")->shortcut(), QKeySequence(Qt::Key_F8));
}

}  // namespace
}  // namespace vadrix::testing
