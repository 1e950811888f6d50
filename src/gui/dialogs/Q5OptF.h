#pragma once
// TfmOpt: the option flags of the settings, one check mark each.

#include <QDialog>

#include "app/Context.h"

class QListWidget;

namespace vadrix {

class TfmOpt : public QDialog {
    Q_OBJECT
  public:
    TfmOpt(Context& ctx, QWidget* mainWindow);
    QListWidget* List() const { return chlbOpt_; }
    // OK writes each check mark back into its option byte.
    void accept() override;

  private:
    Context& ctx_;
    QListWidget* chlbOpt_;
};

}  // namespace vadrix
