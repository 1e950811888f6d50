#pragma once
// TfmDruk: the output of the whole log, as far as the display filter lets it pass, into a
// text file, on a printer (or into a PDF file) or into a new log file, with a progress bar
// and a cancel button.

#include <QDialog>
#include <filesystem>
#include <optional>

#include "app/Context.h"
#include "output/Output.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;

namespace vadrix {

class Descriptions;
class EditorForm;

class TfmDruk : public QDialog {
    Q_OBJECT
  public:
    TfmDruk(Context& ctx, const Descriptions* descriptions, QWidget* mainWindow);

    QRadioButton* KindButton(OutputKind kind) const;
    QComboBox* Printers() const { return pcbDruk_; }
    QComboBox* FileChoice() const { return fcbFile_; }
    QProgressBar* ProgressBar() const { return prbrDruk_; }
    QPushButton* AbortButton() const { return btnAbbr_; }
    // How the last output ended; nothing before one was begun.
    std::optional<OutputResult> Result() const { return result_; }
    bool Running() const { return running_; }

    // The entry of the printer list that writes a PDF file instead.
    int PdfEntry() const;

    void btnOKClick();
    void btnAbbrClick();
    void rgrAusgClick();
    void reject() override;

  private:
    OutputKind Kind() const;
    bool PdfChosen() const;
    void FillFileList();
    std::optional<std::filesystem::path> TargetName() const;
    bool Progress(int percent);
    OutputResult Run(const std::filesystem::path& target);
    void Tell(OutputResult r);
    void StoreChoices();

    Context& ctx_;
    const Descriptions* descriptions_;
    QRadioButton* kinds_[3];
    QComboBox* pcbDruk_;
    QComboBox* fcbFile_;
    QProgressBar* prbrDruk_;
    QLabel* lblHinweis_;
    QPushButton* btnOK_;
    QPushButton* btnAbbr_;
    QPushButton* btnHelp_;
    QStatusBar* stbrDruk_;
    EditorForm* form_;
    bool running_ = false;
    bool cancel_ = false;
    std::optional<OutputResult> result_;
};

// The main window's print command: the dialog, modal, placed beside the main window.
void ShowOutputDialog(Context& ctx, const Descriptions* descriptions, QWidget* mainWindow);

}  // namespace vadrix
