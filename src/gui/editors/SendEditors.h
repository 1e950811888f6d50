#pragma once
// The one send editor of the program: the telegram editor or the list editor, opened from
// the main window's edit actions. While one is open the other actions only bring it to the
// front. The scheduler's notes about finished list rounds reach the list editor here.

#include <QObject>
#include <QPointer>
#include <functional>

#include "app/Context.h"

class QWidget;

namespace vadrix {

class Dialogs;
class TfmSeLi;
class TfmSeTe;

class SendEditors : public QObject {
    Q_OBJECT
  public:
    SendEditors(Context& ctx, Dialogs& dialogs, QWidget* mainWindow);
    ~SendEditors() override;

    QWidget* OpenTelegram(int slot);
    QWidget* OpenList(int slot);
    TfmSeTe* TelegramEditor() const;
    TfmSeLi* ListEditor() const;
    // The program closes: an open editor drops its working copy.
    void CloseAll();
    // The language changed.
    void ApplyTexts();

    std::function<void(int slot)> onTelegramStored;
    std::function<void(int slot)> onListStored;
    // An editor opened or closed (the main window gives F12 up while one is open).
    std::function<void()> onOpenChanged;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Front();
    void Track(QWidget* editor);

    Context& ctx_;
    Dialogs& dialogs_;
    QWidget* mainWindow_;
    QPointer<TfmSeTe> telegram_;
    QPointer<TfmSeLi> list_;
    int nextHandle_ = 1;
};

}  // namespace vadrix
