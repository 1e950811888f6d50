#pragma once
// What the send editors share: entry fields that check their text when left and stay in
// their error state, choice lists filled from the text table, the hint of the focused
// control in the status bar, the focus index, Enter to the next control and Escape.

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Context.h"

class QAction;
class QBoxLayout;
class QGridLayout;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;

namespace vadrix {

class Dialogs;

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

// A number field of a range, as the editors' integer fields are.
void MakeNumberField(Context& ctx, EntryField& f, int lo, int hi, int maxDigits);
std::optional<int> FieldNumber(const EntryField& f);

// A byte field: a number, "$" and hexadecimal digits, or 8 bit characters; once left it
// shows the bit string of its value.
void MakeByteField(Context& ctx, EntryField& f);
std::optional<std::uint8_t> FieldByte(const Context& ctx, const EntryField& f);
QString BitText(const Context& ctx, int v);

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
    // A control lost the focus.
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

// The header fields both send editors have: name, start trigger and its values, sender,
// counts, pause and station. The list editor also has rows per round.
struct SendHeaderFields {
    SendHeaderFields(Context& ctx, QWidget* parent, bool list);
    // Labels, choice lists and hints from the text table.
    void ApplyTexts(EditorForm& form);
    // Every control but the station list, from the header.
    void Fill(const TSendHeader& h);
    // Every control, the station list included, into the header.
    void Read(TSendHeader& h) const;
    // The stations of the header's sender; the header's index is kept when it fits.
    void FillStations(TSendHeader& h);
    // The window's controls in the order of the focus.
    std::vector<QWidget*> Controls() const;

    Context& ctx;
    EntryField* sfBez;
    QComboBox* cbAnst;
    EntryField* sfMin;
    EntryField* sfAnstTNr;
    QComboBox* cbAnstDa;
    EntryField* sfAnstByte;
    EntryField* sfSend;
    EntryField* sfAnzT;
    EntryField* sfAnzO = nullptr;  // lists only
    EntryField* sfWZt;
    QComboBox* cbStNr;
    QLabel* lblAnst;
    QLabel* lblAnstDa;
    QLabel* lblStNr;
    bool list;
    bool hintFollowsStart = false;
};

// The buttons of a send editor (send, OK, cancel, help) in a row under the form, and the
// pop-up menu that loads and saves the edited item as a text file.
struct EditorButtons {
    EditorButtons(QWidget* window, QBoxLayout* root);
    void ApplyTexts(const Context& ctx, int loadText, int saveText);
    QPushButton* btnSend;
    QPushButton* btnOK;
    QPushButton* btnAbbr;
    QPushButton* btnHelp;
    QMenu* pmLoadSave;
    QAction* miLoad;
    QAction* miSave;
};

// The text file of an edited item: the dialog starts in the data directory at the item's
// name (a prefix text and the slot), which the settings keep as the last editor file.
// Reading gives the file's text, or nothing when cancelled or unreadable (with a message).
std::optional<std::string> LoadEditorFile(Context& ctx, Dialogs& dialogs, int title, int prefix,
                                          int slot);
// Asks where to save; nothing when cancelled.
std::optional<std::filesystem::path> AskEditorSaveFile(Context& ctx, Dialogs& dialogs, int title,
                                                       int prefix, int slot);
// Writes the text; a file that cannot be written is reported.
void SaveEditorFile(Context& ctx, const std::filesystem::path& file, std::string_view text);

// The header fields' first rows: name, start and its values, sender, count; the rows end at
// column 2 of row 4, which each editor fills itself.
void LayOutHeader(QGridLayout& grid, const SendHeaderFields& h);

// Where an editor opens: right of the main window, but on the screen; 50 pixels below its top.
QPoint EditorPosition(const QWidget* mainWindow, int editorWidth);

// Asks text n through the user interface seam: true for Yes.
bool AskYesNo(Context& ctx, int n);

}  // namespace vadrix
