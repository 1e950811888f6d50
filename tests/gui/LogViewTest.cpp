// The log view widget: the scroll bar and the keys reach the display, the thumb stays where
// the user put it, and the online display draws new records at each tick.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "GuiApp.h"
#include "core/log/LogFixture.h"
#include "gui/log/Q5LogView.h"

namespace vadrix::testing {
namespace {

class LogViewTest : public LogFixture {
  protected:
    void SetUp() override {
        GuiApp();
        LogFixture::SetUp();
        ctx().settings.Language = 1;
        ASSERT_TRUE(ctx().texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    }
    std::unique_ptr<TLogView> MakeView(bool online) {
        ctx().settings.OnlineDisplay = online ? 1 : 0;
        auto v = std::make_unique<TLogView>(ctx(), nullptr);
        v->resize(800, 500);
        v->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(v.get()));
        return v;
    }
    std::int64_t TopRecord() {
        return static_cast<std::int64_t>(log().ViewRecord().SeqNo) - log().Directory().OldestSeqNo +
               1;
    }
    // How many pixels of the image differ from the background at its top left.
    static int Inked(const QImage& img) {
        const QRgb bg = img.pixel(img.width() - 1, img.height() - 1);
        int n = 0;
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2) n += img.pixel(x, y) != bg ? 1 : 0;
        return n;
    }
};

TEST_F(LogViewTest, ThumbDraggedToHalfShowsTheMiddleAndStaysThere) {
    StoreN(1001);
    auto v = MakeView(false);
    QScrollBar* bar = v->ScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 1000);
    bar->setSliderPosition(500);
    bar->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(bar->value(), 500);
    EXPECT_NEAR(TopRecord(), 501, 1);
    EXPECT_GT(Inked(v->Image()), 0);
}

TEST_F(LogViewTest, KeysWithShiftAndCtrlMoveByTheirCounts) {
    StoreN(2000);
    auto v = MakeView(false);
    QTest::keyClick(v.get(), Qt::Key_Home);
    EXPECT_EQ(TopRecord(), 1);
    EXPECT_EQ(v->ScrollBar()->value(), 0);
    QTest::keyClick(v.get(), Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(TopRecord(), 51);
    QTest::keyClick(v.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(TopRecord(), 551);
    QTest::keyClick(v.get(), Qt::Key_Down);
    EXPECT_EQ(TopRecord(), 552);
    QTest::keyClick(v.get(), Qt::Key_End);
    EXPECT_GT(v->ScrollBar()->value(), 990);
}

TEST_F(LogViewTest, OnlineDisplayDrawsNewRecordsAtTheTickWithoutTheScrollBar) {
    auto v = MakeView(true);
    EXPECT_FALSE(v->ScrollBar()->isVisible());
    v->Tick();
    const int before = Inked(v->Image());
    StoreN(5);
    for (int i = 0; i < 5; ++i) v->Tick();
    EXPECT_GT(Inked(v->Image()), before);
    v->ShowLogDisplay();
    EXPECT_TRUE(v->ScrollBar()->isVisible());
    EXPECT_FALSE(v->IsOnlineDisplay());
}

}  // namespace
}  // namespace vadrix::testing
