#include "gui/editors/SendEditors.h"

#include <QEvent>

#include "editors/EditorSession.h"
#include "gui/editors/Q5SLiF.h"
#include "gui/editors/Q5STeF.h"

namespace vadrix {

SendEditors::SendEditors(Context& ctx, Dialogs& dialogs, QWidget* mainWindow)
    : QObject(mainWindow), ctx_(ctx), dialogs_(dialogs), mainWindow_(mainWindow) {
    ctx_.transmitHooks.listPassDone = [this](int list, int window) {
        TfmSeLi* editor = list_;
        if (!editor || editor->Handle() != window || editor->Slot() != list + 1) return false;
        // Told from the engine's tick; the editor follows once the tick is done.
        QMetaObject::invokeMethod(editor, &TfmSeLi::FollowScheduler, Qt::QueuedConnection);
        return true;
    };
}

SendEditors::~SendEditors() {
    ctx_.transmitHooks.listPassDone = nullptr;
    for (QWidget* editor : {static_cast<QWidget*>(telegram_), static_cast<QWidget*>(list_)}) {
        if (!editor) continue;
        editor->removeEventFilter(this);
        delete editor;
    }
    ctx_.run.OpenSendEditor = open_editor::kNone;
}

TfmSeTe* SendEditors::TelegramEditor() const {
    return telegram_;
}

TfmSeLi* SendEditors::ListEditor() const {
    return list_;
}

QWidget* SendEditors::Front() {
    QWidget* open = telegram_ ? static_cast<QWidget*>(telegram_) : static_cast<QWidget*>(list_);
    if (!open) return nullptr;
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void SendEditors::Track(QWidget* editor) {
    editor->installEventFilter(this);
    if (onOpenChanged) onOpenChanged();
    Front();
}

// A closing editor is done at once, though Qt deletes it a little later: the next edit
// action may open a new one straight away.
bool SendEditors::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close) return false;
    int listSlot = 0;
    if (watched == list_) {
        listSlot = list_->Slot();
        list_ = nullptr;
    } else if (watched == telegram_) {
        telegram_ = nullptr;
    } else {
        return false;
    }
    watched->removeEventFilter(this);
    EndEdit(ctx_, listSlot);
    if (onOpenChanged) onOpenChanged();
    return false;
}

QWidget* SendEditors::OpenTelegram(int slot) {
    if (QWidget* open = Front()) return open;
    telegram_ = new TfmSeTe(ctx_, dialogs_, mainWindow_, slot);
    telegram_->onStored = [this](int s) {
        if (onTelegramStored) onTelegramStored(s);
    };
    Track(telegram_);
    return telegram_;
}

QWidget* SendEditors::OpenList(int slot) {
    if (QWidget* open = Front()) return open;
    list_ = new TfmSeLi(ctx_, dialogs_, mainWindow_, slot, nextHandle_++);
    list_->onStored = [this](int s) {
        if (onListStored) onListStored(s);
    };
    Track(list_);
    return list_;
}

void SendEditors::CloseAll() {
    if (telegram_) telegram_->close();
    if (list_) list_->close();
}

void SendEditors::ApplyTexts() {
    if (telegram_) telegram_->ApplyTexts();
    if (list_) list_->ApplyTexts();
}

}  // namespace vadrix
