#pragma once
// TfmInfo: the modal information box with the program's version, build date and commit.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace vadrix {

struct Context;

// The lines of the box: title, version with the product version, the build date and commit,
// and the rights notice, with empty lines between.
QStringList InfoLines(const Context& ctx);

class TfmInfo : public QDialog {
    Q_OBJECT

  public:
    explicit TfmInfo(const Context& ctx, QWidget* parent = nullptr);

    // The main window's information command: the box, modal.
    static void ShowVersionInfo(const Context& ctx, QWidget* mainWindow);

    QListWidget* InfoList() const { return lbInfo_; }
    QPushButton* OkButton() const { return btnOk_; }

  private:
    QListWidget* lbInfo_;
    QPushButton* btnOk_;
};

}  // namespace vadrix
