// The link-test window: one at a time, its caption, place and check list, each check setting
// its channel's flag, and every flag cleared when it closes.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "GuiApp.h"
#include "app/Context.h"
#include "common/TextIds.h"
#include "gui/dialogs/Q5LnkF.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class LinkTestWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        main.setGeometry(100, 50, 900, 600);
        main.show();
    }
    // Checks or unchecks item i with the keyboard, as a user would.
    void ToggleItem(TfmLnk& w, int i) {
        w.CheckList()->setCurrentRow(i);
        QTest::keyClick(w.CheckList(), Qt::Key_Space);
    }
    int FlagsSet(const TEmSe& ch) const {
        int n = 0;
        for (bool f : ch.LinkTestFlags) n += f ? 1 : 0;
        return n;
    }

    QApplication& app = GuiApp();  // before any widget
    TestContext tc;
    QWidget main;
    QPointer<TfmLnk> open;
};

TEST_F(LinkTestWindowTest, OpensWithCaptionItemsAndPlaceBesideTheMainWindow) {
    TfmLnk* w = TfmLnk::OpenLinkTest(*tc, 1, &main, open);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Link test EmSe2");
    EXPECT_EQ(w->ExitButton()->text(), "Close");
    QListWidget* list = w->CheckList();
    ASSERT_EQ(list->count(), 9);
    EXPECT_EQ(list->item(0)->text(), "No sequence numbers");
    EXPECT_EQ(list->item(1)->text(), "Do not send, log only");
    for (int i = 0; i < list->count(); ++i) EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->currentRow(), 0);
    const QRect m = main.frameGeometry();
    EXPECT_EQ(w->frameGeometry().top(), m.top() + 32);
    EXPECT_EQ(w->frameGeometry().left(), m.left() + m.width() - w->frameGeometry().width() - 10);
}

TEST_F(LinkTestWindowTest, EachCheckSetsItsChannelsFlagAtOnce) {
    TfmLnk* w = TfmLnk::OpenLinkTest(*tc, 0, &main, open);
    ToggleItem(*w, 8);
    EXPECT_TRUE(tc->emse1.LinkTestFlags[kLinkTestCorrupt]);
    ToggleItem(*w, 1);
    EXPECT_TRUE(tc->emse1.LinkTestFlags[kLinkTestNotOnLine]);
    ToggleItem(*w, 8);
    EXPECT_FALSE(tc->emse1.LinkTestFlags[kLinkTestCorrupt]);
    EXPECT_EQ(FlagsSet(tc->emse1), 1);
    EXPECT_EQ(FlagsSet(tc->emse2), 0);
}

TEST_F(LinkTestWindowTest, SecondOpenBringsTheOpenWindowBackWithItsChannel) {
    TfmLnk* first = TfmLnk::OpenLinkTest(*tc, 0, &main, open);
    first->hide();
    TfmLnk* second = TfmLnk::OpenLinkTest(*tc, 1, &main, open);
    EXPECT_EQ(second, first);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->Channel(), 0);
    EXPECT_EQ(second->windowTitle(), "Link test EmSe1");
    EXPECT_EQ(TfmLnk::OpenLinkTest(*tc, 2, &main, open), nullptr);  // no third channel
}

TEST_F(LinkTestWindowTest, ClosingClearsAllTwelveFlagsAndTheNextOpenMakesANewWindow) {
    TfmLnk* w = TfmLnk::OpenLinkTest(*tc, 1, &main, open);
    ToggleItem(*w, 0);
    tc->emse2.LinkTestFlags[11] = true;  // beyond the listed items
    tc->emse1.LinkTestFlags[3] = true;   // the other channel keeps its own
    QTest::mouseClick(w->ExitButton(), Qt::LeftButton);
    EXPECT_EQ(FlagsSet(tc->emse2), 0);
    EXPECT_TRUE(tc->emse1.LinkTestFlags[3]);

    TfmLnk* again = TfmLnk::OpenLinkTest(*tc, 0, &main, open);
    EXPECT_EQ(again->Channel(), 0);
    EXPECT_EQ(again->windowTitle(), "Link test EmSe1");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.findChildren<TfmLnk*>().size(), 1);
}

TEST_F(LinkTestWindowTest, ItemCountComesFromTheTextAndIsBounded) {
    struct Case {
        const char* text;
        int items;
    };
    for (const Case& c : {Case{"20", 12}, Case{"3", 3}, Case{"x", 0}, Case{"-2", 0}}) {
        tc->texts.ReplaceTxt(txt::kLinkTestCount, c.text);
        EXPECT_EQ(LinkTestItemCount(*tc), c.items) << c.text;
    }
    tc->texts.ReplaceTxt(txt::kLinkTestCount, "12");
    TfmLnk* w = TfmLnk::OpenLinkTest(*tc, 0, &main, open);
    ToggleItem(*w, 11);
    EXPECT_TRUE(tc->emse1.LinkTestFlags[11]);
    w->close();
    EXPECT_FALSE(tc->emse1.LinkTestFlags[11]);
}

}  // namespace
}  // namespace vadrix::testing
