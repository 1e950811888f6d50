#pragma once
// What the program's forms share: entry fields that check their text when left and stay in
// their error state, choice lists filled from the text table, the hint of the focused
// control in the status bar, the focus index, Enter to the next control and Escape.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Context.h"

class QBoxLayout;
class QDialog;
class QLabel;
class QPushButton;
class QStatusBar;

namespace vadrix {

// An entry field: its text is checked when it is left; an invalid text keeps the field in
// its error state (marked, with its message) and takes the focus back.
class EntryField : public QLineEdit {
    Q_OBJECT
  public:
    // The message text (CP1252) of an invalid text, or nothing when it is valid.
    using Check = std::function<std::optional<std::string>(const QString& text)>;

    EntryField(Context& ctx, QWidget* parent);
    void SetCheck(Check check) { check_ = std::move(check); }
    // Checks the text now; false puts the field into its error state.
    bool Validate(bool tell = true);
    bool InError() const { return error_; }
    QLabel* label = nullptr;

  signals:
    void accepted();  // left with a valid text

  protected:
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void SetError(bool on);
    Context& ctx_;
    Check check_;
    bool error_ = false;
    bool telling_ = false;
};

// An entry field with its own label (the label's buddy), named for tests and the focus list.
EntryField* NewEntryField(Context& ctx, QWidget* parent, const char* name);

// A number field of a range, as the editors' integer fields are.
void MakeNumberField(Context& ctx, EntryField& f, int lo, int hi, int maxDigits);
std::optional<int> FieldNumber(const EntryField& f);
// A field of a decimal number (a point or a comma before the decimals) within a range.
void MakeDecimalField(Context& ctx, EntryField& f, double lo, double hi, int maxChars);
std::optional<double> FieldDecimal(const EntryField& f);

// The form machinery of one editor window.
class EditorForm : public QObject {
    Q_OBJECT
  public:
    EditorForm(Context& ctx, QWidget* window, QStatusBar* status);

    // A control of the window's list of controls, with the number of its hint text.
    void AddControl(QWidget* w, int hint);
    void SetHint(QWidget* w, int hint);
    // The label text of a field; its hint is the following text.
    void SetFieldLabel(EntryField& f, int text);
    // A choice list labelled text n: text n + 1 gives the count, the items follow.
    void FillComboFromTexts(QComboBox& box, QLabel* label, int n);

    // 1-based position of the control that last took the focus; 0 none.
    int FocusIndex() const { return focusIndex_; }
    void FocusControl(int index);
    const std::vector<QPointer<QWidget>>& Controls() const { return controls_; }
    // Every field checked; false when any is in its error state.
    bool AllValid();

    std::function<void()> onEscape;
    // A control took or lost the focus.
    std::function<void(QWidget*)> onEnter;
    std::function<void(QWidget*)> onLeave;
    // Enter goes to the next control except where this says no.
    std::function<bool(QWidget*)> keepsEnter;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Entered(QWidget* w);
    Context& ctx_;
    QWidget* window_;
    QStatusBar* status_;
    std::vector<QPointer<QWidget>> controls_;
    int focusIndex_ = 0;
};

// OK (or Save), Cancel and Help in a row under a dialog's form, then its status bar; OK
// and Cancel call the dialog's accept and reject, Help opens the dialog's help page.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* help;
};
DialogButtons AddDialogButtons(QDialog& dialog, QBoxLayout& root, QStatusBar* status,
                               const Context& ctx, int okText, int helpContext);

// Where an editor opens: right of the main window, but on the screen; 50 pixels below its top.
QPoint EditorPosition(const QWidget* mainWindow, int editorWidth);

// Asks text n through the user interface seam: true for Yes.
bool AskYesNo(Context& ctx, int n);

}  // namespace vadrix
