#pragma once
// TfmSyBe: the system-operation terminal. Typed keys go to channel 1's port as upper-case
// bytes and never into the text; what the field device sends back is shown line by line.

#include <QDialog>
#include <cstddef>

#include "programming/SystemTerminal.h"

class QPlainTextEdit;
class QPushButton;

namespace vadrix {

class Engine;

class TfmSyBe : public QDialog {
    Q_OBJECT
  public:
    TfmSyBe(Context& ctx, QWidget* mainWindow);
    QPlainTextEdit* Memo() const { return mem_; }
    const SystemTerminal& Terminal() const { return terminal_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowLines();

    SystemTerminal terminal_;
    QPlainTextEdit* mem_;
    QPushButton* btnExit_;
    std::size_t shownLines_ = 1;
};

// The terminal as a one-off function: offline first, channel 1 opened in the terminal's
// mode, the window shown modally, then the port closed and the mode as it was. Without a
// port on channel 1 it says so and does nothing.
void RunSystemOperation(Context& ctx, Engine& engine, QWidget* mainWindow);

}  // namespace vadrix
