#pragma once
// What the send editors share: byte fields, the header fields of telegrams and lists, the
// button row with the load and save menu, and the editors' text files.

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
#include "gui/common/Form.h"

class QAction;
class QBoxLayout;
class QGridLayout;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;

namespace vadrix {

class Dialogs;

// A byte field: a number, "$" and hexadecimal digits, or 8 bit characters; once left it
// shows the bit string of its value.
void MakeByteField(Context& ctx, EntryField& f);
std::optional<std::uint8_t> FieldByte(const Context& ctx, const EntryField& f);
QString BitText(const Context& ctx, int v);

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

}  // namespace vadrix
