// The general settings through their dialog: the record shown and taken over (offline first,
// with the user's word), a new log size only when the user agrees to lose the log, a new data
// folder made on request and the data files moved there, and the operating modes 3 and 4 run
// as one-off functions that are never stored.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "MainWindowRig.h"
#include "app/DataFiles.h"
#include "app/GeneralChange.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "gui/app/Q5MainF.h"
#include "gui/dialogs/Q5AlgF.h"
#include "interpret/Descriptions.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

class GeneralSettingsTest : public MainWindowRig {
  protected:
    void SetUp() override {
        MainWindowRig::SetUp();
        hooks.askYesNo = [this](int text) {
            asked.push_back(text);
            return ctx().ui.ShowMessage(ctx().Txt(text), MessageKind::kConfirmation,
                                        MessageButtons::kYesNo) == MessageResult::kYes;
        };
        hooks.saveSettings = [this] { ++saved; };
    }
    // The dialog's OK, then the change applied as the main window applies it.
    GeneralChange Ok(TfmAlg& d) {
        QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        return ApplyGeneralParams(ctx(), rig.engine, d.Params(), d.DataDirectory(), hooks);
    }

    GeneralChangeHooks hooks;
    std::vector<int> asked;
    int saved = 0;
};

TEST_F(GeneralSettingsTest, TheRecordIsShownAndTakenOverOfflineWithTheUsersWord) {
    ctx().general.TrafficKind = 0;
    ctx().general.Scale8 = 300;
    rig.GoOnline();
    {
        TfmAlg d(ctx(), dialogs, nullptr);
        EXPECT_EQ(d.findChild<QComboBox*>("cbProt")->currentIndex(), 2);
        EXPECT_EQ(d.findChild<QLineEdit*>("sfScale8")->text(), "300");
        d.findChild<QComboBox*>("cbVka")->setCurrentIndex(1);
        rig.tc.ui.answers = {MessageResult::kNo};  // stay online
        EXPECT_EQ(Ok(d), GeneralChange::kRefused);
        EXPECT_EQ(asked, std::vector<int>{txt::kAskGoOffline});
        EXPECT_EQ(ctx().general.TrafficKind, 0);
        EXPECT_EQ(ctx().settings.Online, 1);
    }
    TfmAlg d(ctx(), dialogs, nullptr);
    d.findChild<QComboBox*>("cbVka")->setCurrentIndex(1);
    d.findChild<QLineEdit*>("sfScale8")->setText("500");
    EXPECT_EQ(Ok(d), GeneralChange::kApplied);
    EXPECT_EQ(ctx().general.TrafficKind, 1);
    EXPECT_EQ(ctx().general.Scale8, 500);
    EXPECT_EQ(ctx().settings.Online, 0);

    // Only a scale changed: taken over, nothing else happens.
    TfmAlg again(ctx(), dialogs, nullptr);
    again.findChild<QLineEdit*>("sfScale11")->setText("4000");
    asked.clear();
    EXPECT_EQ(Ok(again), GeneralChange::kNothing);
    EXPECT_EQ(ctx().general.Scale11, 4000);
    EXPECT_TRUE(asked.empty());
}

TEST_F(GeneralSettingsTest, ANewLogSizeOnlyWhenTheUserAgreesToLoseTheLog) {
    ctx().general.LogSize = 10;
    TfmAlg d(ctx(), dialogs, nullptr);
    d.findChild<QLineEdit*>("sfMaxLog")->setText("2");
    rig.tc.ui.answers = {MessageResult::kNo};
    EXPECT_EQ(Ok(d), GeneralChange::kApplied);
    EXPECT_EQ(asked, std::vector<int>{txt::kAskNewLogSize});
    EXPECT_EQ(ctx().general.LogSize, 10);
    TfmAlg yes(ctx(), dialogs, nullptr);
    yes.findChild<QLineEdit*>("sfMaxLog")->setText("2");
    EXPECT_EQ(Ok(yes), GeneralChange::kApplied);
    EXPECT_EQ(ctx().general.LogSize, 2);
    EXPECT_EQ(ctx().log.Header().General.LogSize, 2);

    // Out of range, or not a number: refused with the message.
    TfmAlg bad(ctx(), dialogs, nullptr);
    bad.findChild<QLineEdit*>("sfMaxLog")->setText("0");
    QTest::mouseClick(bad.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    EXPECT_NE(bad.result(), QDialog::Accepted);
}

TEST_F(GeneralSettingsTest, ANewDataFolderIsMadeOnRequestAndTheFilesGoThere) {
    const std::filesystem::path target = dir / "elsewhere" / "data";
    TfmAlg d(ctx(), dialogs, nullptr);
    // The folder browser writes the folder with its trailing separator.
    dialogs.answers = {target};
    QTest::mouseClick(d.findChild<QPushButton*>("btnBr"), Qt::LeftButton);
    EXPECT_EQ(d.findChild<QLineEdit*>("edLogVerz")->text(),
              QString::fromStdString(target.string()) + "/");
    rig.tc.ui.answers = {MessageResult::kYes};  // make the folder
    EXPECT_EQ(Ok(d), GeneralChange::kApplied);
    ASSERT_FALSE(rig.tc.ui.messages.empty());
    EXPECT_EQ(rig.tc.ui.messages.front().text, ctx().Txt(txt::kAskCreateDirectory));
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(saved, 1);
    EXPECT_TRUE(std::filesystem::exists(ctx().log.FilePath()));
    EXPECT_EQ(ctx().log.FilePath().parent_path(), target);
    EXPECT_TRUE(ctx().log.IsOpen());

    // A folder the user does not want made keeps the dialog open.
    TfmAlg no(ctx(), dialogs, nullptr);
    no.findChild<QLineEdit*>("edLogVerz")->setText(QString::fromStdString((dir / "nope").string()));
    rig.tc.ui.answers = {MessageResult::kNo};
    QTest::mouseClick(no.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    EXPECT_NE(no.result(), QDialog::Accepted);
    EXPECT_FALSE(std::filesystem::exists(dir / "nope"));
}

TEST_F(GeneralSettingsTest, TheTerminalModeRunsOnceAndIsNeverStored) {
    Descriptions descriptions;
    TfmMain window(ctx(), rig.engine, descriptions, dialogs);
    ctx().emse1.P.ComNumber = 0;  // no port: the function says so
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<TfmAlg*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->findChild<QComboBox*>("cbProt")->setCurrentIndex(TfmAlg::kTerminalItem);
        QTest::mouseClick(d->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    window.Action("miAllg")->trigger();
    ASSERT_FALSE(rig.tc.ui.messages.empty());
    EXPECT_EQ(rig.tc.ui.messages.back().text, ctx().Txt(txt::kNoPortConfigured));
    EXPECT_EQ(ctx().general.ProtocolVariant, 2);
    EXPECT_TRUE(window.Action("miEmSe2")->isEnabled());
}

}  // namespace
}  // namespace vadrix::testing
