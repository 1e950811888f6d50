// The information box: caption, button and the lines with the program's own version data.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "GuiApp.h"
#include "app/Context.h"
#include "gui/dialogs/Q5InfoF.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class InfoBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(tc->texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
    }
    QApplication& app = GuiApp();
    TestContext tc;
};

TEST_F(InfoBoxTest, ShowsTitleVersionBuildAndRights) {
    TfmInfo box(*tc);
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.OkButton()->text(), "OK");
    QListWidget* list = box.InfoList();
    ASSERT_EQ(list->count(), 7);
    for (int empty : {0, 2, 5}) EXPECT_TRUE(list->item(empty)->text().isEmpty()) << empty;
    EXPECT_EQ(list->item(1)->text(), "Vadrix - telegram monitor and simulator");
    // Four numbers of the project version, then the product version and the suffix text.
    EXPECT_TRUE(QRegularExpression(R"(^Version \d+\.\d+\.\d+\.\d+   \d+\.\d+\.\d+.* \(Linux\)$)")
                    .match(list->item(3)->text())
                    .hasMatch())
        << list->item(3)->text().toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^ \d{4}-\d{2}-\d{2}  ([0-9a-f]{12}|unknown)$)")
                    .match(list->item(4)->text())
                    .hasMatch())
        << list->item(4)->text().toStdString();
    EXPECT_EQ(list->item(6)->text(), "All rights reserved.");
}

TEST_F(InfoBoxTest, OkClosesTheModalBox) {
    QWidget main;
    bool closed = false;
    QTimer::singleShot(0, [&] {
        auto* box = main.findChild<TfmInfo*>();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isModal());
        QTest::mouseClick(box->OkButton(), Qt::LeftButton);
        closed = true;
    });
    TfmInfo::ShowVersionInfo(*tc, &main);
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace vadrix::testing
