#pragma once
// TfmSeLi: the editor of one send list: its header fields and the grid of its 400 rows over
// a working copy. OK, send and save store the copy into the table; the grid follows the rows
// the scheduler sends.

#include <QWidget>
#include <functional>
#include <memory>

#include "app/Context.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;

namespace vadrix {

class Dialogs;
class EditorForm;
class EntryField;
struct EditorButtons;
struct SendHeaderFields;
class SendGrid;
class SendListModel;

class TfmSeLi : public QWidget {
    Q_OBJECT
  public:
    TfmSeLi(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int slot, int handle);
    ~TfmSeLi() override;

    int Slot() const { return slot_; }
    // The number the scheduler's notes are addressed to.
    int Handle() const { return handle_; }
    const TSendList& Working() const { return working_; }
    SendGrid* Grid() const { return tbObj_; }
    QMenu* EditMenu() const { return pmEdit_; }
    QMenu* LoadSaveMenu() const;
    QStatusBar* StatusBar() const { return stbrSeLi_; }
    void ApplyTexts();
    // The scheduler finished a round of this list.
    void FollowScheduler();
    // The type picker for the active row (right button or F12 in the type column).
    void OpenTypePicker();

    std::function<void(int slot)> onStored;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void FillForm();
    void ReadForm();
    bool Validate();
    bool Store();
    void btnOkClick();
    void btnSendClick();
    void Escape();
    void miLoadClick();
    void miSaveClick();
    void Copy();
    void Cut();
    void Paste();
    void InsertRow();
    void DeleteRows();
    void pmEditPopup();
    void GridRightClick(QPoint globalPos);
    void GridCellEntered(int row, int column);

    Context& ctx_;
    Dialogs& dialogs_;
    int slot_;
    int handle_;
    TSendList working_;
    bool firstShow_ = true;
    int lastHintRow_ = -1;
    int lastHintColumn_ = -1;
    EditorForm* form_ = nullptr;

    std::unique_ptr<SendHeaderFields> head_;
    SendGrid* tbObj_ = nullptr;
    SendListModel* model_ = nullptr;
    std::unique_ptr<EditorButtons> buttons_;
    QMenu* pmEdit_ = nullptr;
    QAction* miCut_ = nullptr;
    QAction* miCopy_ = nullptr;
    QAction* miPaste_ = nullptr;
    QAction* miInsert_ = nullptr;
    QAction* miDelete_ = nullptr;
    QStatusBar* stbrSeLi_ = nullptr;
};

}  // namespace vadrix
