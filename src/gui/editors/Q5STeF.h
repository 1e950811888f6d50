#pragma once
// TfmSeTe: the editor of one send telegram. The form edits a working copy of the slot; OK,
// send and save store it into the table, Cancel and Escape drop it. One send editor exists
// at a time (see SendEditors).

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "app/Context.h"

class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;

namespace vadrix {

class Dialogs;
class EditorForm;
class EntryField;
struct EditorButtons;
struct SendHeaderFields;

class TfmSeTe : public QWidget {
    Q_OBJECT
  public:
    TfmSeTe(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int slot);
    ~TfmSeTe() override;

    int Slot() const { return slot_; }
    const TSendTelegram& Working() const { return working_; }
    // Every word again from the text table.
    void ApplyTexts();
    QMenu* LoadSaveMenu() const;
    QStatusBar* StatusBar() const { return stbrSeTe_; }

    // The slot was stored: the main window's captions follow.
    std::function<void(int slot)> onStored;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildControls();
    EntryField* NewField(const char* name);
    QComboBox* NewCombo(const char* name);
    void FillForm();
    void ReadForm();
    void ReadEntryFields();
    void ShowEntryFields();
    void cbTelTypChange();
    void ShowTypeView(int type);
    void FillMemo(bool converted);
    void SetShown(QWidget* w, bool on);
    bool Store();
    void btnSendClick();
    void btnOKClick();
    void Escape();
    void miLoadClick();
    void miSaveClick();
    void ShowSendState();

    Context& ctx_;
    Dialogs& dialogs_;
    int slot_;
    TSendTelegram working_;
    int previousType_ = -1;
    EditorForm* form_ = nullptr;

    std::unique_ptr<SendHeaderFields> head_;
    QComboBox* cbTelTyp_ = nullptr;
    EntryField* sfTge_ = nullptr;
    EntryField* sfTfk_ = nullptr;
    EntryField* sfUeb_ = nullptr;
    QComboBox* cbDa_ = nullptr;
    EntryField* sfSys_ = nullptr;
    EntryField* sfTelNr_ = nullptr;
    EntryField* sfLg_ = nullptr;
    std::array<EntryField*, 9> sfB_{};
    QComboBox* cbShft_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QLabel* lblTelTyp_ = nullptr;
    QLabel* lblDa_ = nullptr;
    QLabel* lblShft_ = nullptr;
    std::unique_ptr<EditorButtons> buttons_;
    QStatusBar* stbrSeTe_ = nullptr;
    QLabel* sendState_ = nullptr;
    QTimer* stateTimer_ = nullptr;
};

}  // namespace vadrix
