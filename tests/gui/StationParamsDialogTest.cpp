// The station parameter dialog through its fields: a device's bytes shown in engineering
// units, saved back unchanged but for the cleared bit, limits refused, the last digit of a bit
// rate dropped, a check code the device does not know shown as none.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "GuiApp.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "gui/common/Form.h"
#include "gui/common/QtText.h"
#include "gui/params/Q5PgStF.h"
#include "support/TestContext.h"

namespace vadrix::testing {
namespace {

class StationParamsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tc->run.ProgramDirectory = std::filesystem::path(VADRIX_SOURCE_DIR) / "lang";
        tc->settings.Language = 1;
        ASSERT_TRUE(LoadTextTable(*tc));
    }
    static StationParamBlock Example() {
        StationParamBlock b{};
        const std::uint8_t bytes[] = {20, 120, 25, 30, 10, 0xC4, 4, 99, 7, 0x08};
        std::copy(std::begin(bytes), std::end(bytes), b.begin());
        for (int i = 10; i < 16; ++i) b[i] = static_cast<std::uint8_t>(0xA0 + i);
        return b;
    }
    static QString Text(QWidget* d, const char* name) {
        return d->findChild<QLineEdit*>(name)->text();
    }
    static void Save(QWidget* d) {
        QTest::mouseClick(d->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    }

    QApplication& app = GuiApp();
    TestContext tc;
};

TEST_F(StationParamsDialogTest, ShowsTheDevicesBytesAndSavesThemBack) {
    TfmPgSt d(*tc, Example(), nullptr);
    d.show();
    EXPECT_EQ(Text(&d, "sfEBaud"), "200");
    EXPECT_EQ(Text(&d, "sfSBaud"), "1200");
    EXPECT_EQ(Text(&d, "sfEMv"), "2.5");
    EXPECT_EQ(Text(&d, "sfSMv"), "3.0");
    EXPECT_EQ(Text(&d, "sfTol"), "10");
    EXPECT_EQ(d.findChild<QComboBox*>("cbEHamm")->currentIndex(), 1);
    EXPECT_EQ(d.findChild<QComboBox*>("cbSHamm")->currentIndex(), 1);
    EXPECT_EQ(d.findChild<QComboBox*>("cbDf")->currentIndex(), 0);
    EXPECT_EQ(Text(&d, "sfKUeb"), "0.5");
    EXPECT_EQ(Text(&d, "sfZUeb"), "10.0");
    EXPECT_EQ(Text(&d, "sfStation"), "7");
    EXPECT_EQ(Text(&d, "sfSByte"), "00001000");
    EXPECT_TRUE(d.findChild<QLabel*>("lblTyp")->text().endsWith(QTxt(*tc, txt::kStationTypeB)));
    Save(&d);
    ASSERT_EQ(d.result(), QDialog::Accepted);
    StationParamBlock expected = Example();
    expected[5] = 0x44;  // bit 7 cleared
    EXPECT_EQ(d.Block(), expected);
}

TEST_F(StationParamsDialogTest, LimitsAreRefusedAndABitRateLosesItsLastDigit) {
    TfmPgSt d(*tc, Example(), nullptr);
    d.show();
    auto* rate = d.findChild<EntryField*>("sfEBaud");
    rate->setText("2405");
    Save(&d);
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_TRUE(rate->InError());
    EXPECT_EQ(tc.ui.messages.back().text, "Enter a number from 50 to 2400.");
    rate->setText("2395");
    d.findChild<EntryField*>("sfEMv")->setText("2,64");  // a comma is a decimal point too
    Save(&d);
    ASSERT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Block()[0], 239);
    EXPECT_EQ(d.Block()[2], 26);
    TfmPgSt again(*tc, d.Block(), nullptr);
    EXPECT_EQ(Text(&again, "sfEBaud"), "2390");
    auto* mv = again.findChild<EntryField*>("sfSMv");
    mv->setText("3.1");
    Save(&again);
    EXPECT_EQ(tc.ui.messages.back().text, "Enter a number from 2.2 to 3.");
}

TEST_F(StationParamsDialogTest, AnUnknownCheckCodeShowsNoneAndSavesAsZero) {
    StationParamBlock b = Example();
    b[5] = 0x50;  // receiver bits 0: none; sender code 5
    TfmPgSt d(*tc, b, nullptr);
    d.show();
    EXPECT_EQ(d.findChild<QComboBox*>("cbEHamm")->currentIndex(), -1);
    EXPECT_EQ(d.findChild<QComboBox*>("cbSHamm")->currentIndex(), 1);
    Save(&d);
    EXPECT_EQ(d.Block()[5], 0x40);
}

}  // namespace
}  // namespace vadrix::testing
