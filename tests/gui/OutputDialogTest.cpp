// The output dialog driven as a user would: a text file typed without folder or extension,
// a PDF in place of a printer, a new log file, the live log refused, cancelling a running
// output with the dialog's own button, and the choices kept for the next time.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "MainWindowRig.h"
#include "app/Language.h"
#include "common/TextIds.h"
#include "core/log/LogFixture.h"
#include "gui/app/Q5MainF.h"
#include "gui/log/Q5DruF.h"
#include "interpret/Descriptions.h"
#include "support/EngineRig.h"
#include "support/TempDir.h"

namespace vadrix::testing {
namespace {

class OutputDialogTest : public MainWindowRig {
  protected:
    void SetUp() override {
        MainWindowRig::SetUp();
        for (int i = 0; i < kRecords; ++i) {
            TTelegram t = MakeTelegram(12, i % 2 == 0 ? source::kE1 : source::kE2);
            ctx().log.Store(t);
        }
    }
    // Chooses the kind and types the file name as a user would, then presses OK.
    void Output(TfmDruk& d, OutputKind kind, const QString& name, int printer = -1) {
        // On the button's circle: the rest of its row is no part of it.
        QRadioButton* button = d.KindButton(kind);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        ASSERT_TRUE(button->isChecked());
        if (printer >= 0) d.Printers()->setCurrentIndex(printer);
        QLineEdit* edit = d.FileChoice()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, name);
        QTest::mouseClick(d.findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    }
    // Acts once the output runs, from within the events it lets through.
    static void WhenRunning(TfmDruk& d, std::function<void()> act, int triesLeft = 1000) {
        QTimer::singleShot(0, &d, [&d, act, triesLeft] {
            if (d.Running())
                act();
            else if (triesLeft > 0)
                WhenRunning(d, act, triesLeft - 1);
        });
    }
    int LineCount(const std::filesystem::path& file) {
        std::ifstream in(file);
        int n = 0;
        for (std::string line; std::getline(in, line);) ++n;
        return n;
    }

    static constexpr int kRecords = 3000;
};

TEST_F(OutputDialogTest, ATextFileLandsInTheDataDirectoryWithItsExtension) {
    TfmDruk d(ctx(), nullptr, nullptr);
    Output(d, OutputKind::kTextFile, "report");
    ASSERT_EQ(d.Result(), OutputResult::kDone);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const std::filesystem::path file = dir / "report.txt";
    // A heading, two lines and an empty line a record, the end text.
    EXPECT_GE(LineCount(file), 2 + kRecords * 3 + 1);
    EXPECT_EQ(d.ProgressBar()->value(), 100);
    EXPECT_EQ(ctx().settings.PrintKind, 0);

    TfmDruk again(ctx(), nullptr, nullptr);
    EXPECT_TRUE(again.KindButton(OutputKind::kTextFile)->isChecked());
    EXPECT_EQ(again.FileChoice()->findText("report.txt"), 0) << "the list shows the *.txt files";
}

TEST_F(OutputDialogTest, WithoutAPrinterThePagesGoIntoAPdfFile) {
    TfmDruk d(ctx(), nullptr, nullptr);
    EXPECT_EQ(d.Printers()->itemText(d.PdfEntry()), "Print to PDF file");
    Output(d, OutputKind::kPrinter, "pages", d.PdfEntry());
    ASSERT_EQ(d.Result(), OutputResult::kDone);
    std::ifstream in(dir / "pages.pdf", std::ios::binary);
    std::string magic(5, '\0');
    in.read(magic.data(), 5);
    EXPECT_EQ(magic, "%PDF-");
    EXPECT_EQ(ctx().settings.PrintKind, 1);
    EXPECT_EQ(ctx().settings.PrintSelection1, d.PdfEntry());
}

TEST_F(OutputDialogTest, ANewLogFileTakesTheLogExtension) {
    TfmDruk d(ctx(), nullptr, nullptr);
    Output(d, OutputKind::kLogFile, "copy.txt");
    ASSERT_EQ(d.Result(), OutputResult::kDone);
    EXPECT_TRUE(std::filesystem::exists(dir / "copy.lg8"));
}

TEST_F(OutputDialogTest, TheLiveLogIsRefusedAndTheDialogStays) {
    const auto before = std::filesystem::file_size(dir / "Q5Log.lg8");
    TfmDruk d(ctx(), nullptr, nullptr);
    d.show();
    Output(d, OutputKind::kLogFile, "Q5Log");
    EXPECT_FALSE(d.Result().has_value());
    EXPECT_TRUE(d.isVisible());
    ASSERT_FALSE(rig.tc.ui.messages.empty());
    EXPECT_EQ(rig.tc.ui.messages.back().text, ctx().Txt(txt::kOutputIsLiveLog));
    EXPECT_EQ(std::filesystem::file_size(dir / "Q5Log.lg8"), before);
}

// The cancel button is pressed while the output runs: the PDF is dropped, the text file keeps
// what was written with the cancel text at its end.
TEST_F(OutputDialogTest, CancellingARunningOutputStopsIt) {
    for (const bool pdf : {true, false}) {
        TfmDruk d(ctx(), nullptr, nullptr);
        d.show();
        WhenRunning(d, [&d] {
            EXPECT_TRUE(d.ProgressBar()->isVisible());
            EXPECT_FALSE(d.findChild<QPushButton*>("btnOK")->isVisible());
            QTest::mouseClick(d.AbortButton(), Qt::LeftButton);
        });
        if (pdf)
            Output(d, OutputKind::kPrinter, "cancelled", d.PdfEntry());
        else
            Output(d, OutputKind::kTextFile, "cancelled");
        EXPECT_EQ(d.Result(), OutputResult::kCancelled);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "cancelled.pdf"));
    const int lines = LineCount(dir / "cancelled.txt");
    EXPECT_GT(lines, 3);
    EXPECT_LT(lines, kRecords * 3);
}

// The main window's print command opens the dialog with the screen's format.
TEST_F(OutputDialogTest, ThePrintCommandWritesWhatTheLogViewShows) {
    TfmMain& w = Window();
    w.Action("afCsv")->trigger();
    QTimer::singleShot(20, [this] {
        auto* d = qobject_cast<TfmDruk*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->pos().y(), d->parentWidget()->frameGeometry().top() + 50);
        Output(*d, OutputKind::kTextFile, "shown");
    });
    w.Action("miLogDrucken")->trigger();
    // The export format: its heading first, one line a record, no empty lines.
    std::ifstream in(dir / "shown.txt");
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, ctx().Txt(txt::kExportHeading));
    EXPECT_EQ(LineCount(dir / "shown.txt"), 2 + kRecords + 1);
}

TEST_F(OutputDialogTest, CancelBeforeTheOutputClosesTheDialog) {
    TfmDruk d(ctx(), nullptr, nullptr);
    d.show();
    QTest::mouseClick(d.AbortButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(d.Result().has_value());
}

}  // namespace
}  // namespace vadrix::testing
