#pragma once
// TfmPg: the programming window for a field device on channel 1. Its menu becomes the tool
// bar; each function item runs on the programming core, whose lines fill the memo as the
// transfer goes on. The window stays responsive: the core handles events while it waits.

#include <QDialog>
#include <array>
#include <memory>

#include "programming/Programming.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QToolButton;

namespace vadrix {

class Dialogs;
class Engine;

class TfmPg : public QDialog, public ProgrammingView {
    Q_OBJECT
  public:
    TfmPg(Context& ctx, Dialogs& dialogs, QWidget* mainWindow);
    ~TfmPg() override;

    Programming& Core() { return *pg_; }
    QAction* Item(PgItem item) const;
    QMenu* FunctionMenu() const { return mmFkt_; }
    QPlainTextEdit* Memo() const { return mMemo_; }
    QLabel* AddressLabel() const { return lblAdr_; }
    QLabel* ImageStatus() const { return lblSp_; }
    bool Busy() const { return busy_; }
    // Exit: a transfer under way ends first.
    void reject() override;

    // ProgrammingView
    void ClearLines() override;
    void AddLine(PgLine kind, std::string_view text) override;
    void SetAddressLabel(std::string_view text) override;
    void SetImageStatus(std::string_view text) override;


  private:
    void miMenuClick(PgItem item);
    void mmFktClick();

    Context& ctx_;
    std::unique_ptr<Programming> pg_;
    QToolBar* tbrPg_;
    QMenu* mmFkt_;
    std::array<QAction*, 7> items_{};
    QPlainTextEdit* mMemo_;
    QLabel* lblAdr_;
    QLabel* lblSp_;
    bool busy_ = false;
};

// The programming window as a one-off function: offline first, channel 1 opened in the
// programming mode, the window shown modally, then the port closed and the mode as it was.
// Without a port on channel 1 it says so and does nothing.
void OpenProgrammingWindow(Context& ctx, Engine& engine, Dialogs& dialogs, QWidget* mainWindow);

}  // namespace vadrix
