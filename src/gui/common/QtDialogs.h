#pragma once
// The dialogs of the desktop: QMessageBox placed below the main window's status table, and
// the file dialogs with the filter and extension texts of the table.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "common/UserInterface.h"
#include "gui/common/Dialogs.h"

namespace vadrix {

struct Context;

class QtDialogs : public Dialogs {
  public:
    explicit QtDialogs(const Context& ctx) : ctx_(ctx) {}
    // The boxes are placed relative to these once the main window exists.
    void SetAnchors(QWidget* mainWindow, QWidget* statusTable);

    // A message box: text is CP1252 as the table holds it.
    MessageResult Message(std::string_view text, MessageKind kind, MessageButtons buttons);
    using Dialogs::OpenFile;
    using Dialogs::SaveFile;
    std::optional<std::filesystem::path> OpenFile(const FileDialogTexts& texts,
                                                  const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> SaveFile(const FileDialogTexts& texts,
                                                  const std::filesystem::path& start) override;

    std::optional<std::filesystem::path> ChooseFolder(int title,
                                                      const std::filesystem::path& start) override;

  private:
    QWidget* Owner() const;
    QString Text(int n) const;
    QString Filter(int filterText) const;

    const Context& ctx_;
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> statusTable_;
};

// A box's top left: one fifth of the main window's width right of its left edge, 30 pixels
// below the status table's bottom edge (screen coordinates).
QPoint MessageBoxTopLeft(const QRect& mainFrame, int statusTableBottom);

}  // namespace vadrix
