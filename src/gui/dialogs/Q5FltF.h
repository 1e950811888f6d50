#pragma once
// TfmFlt: the display filter and the log filter, edited on a copy of their record: a time
// window, the status, source and data kind check lists and four rows of number conditions
// (record number, frame length, station, object number); a pop-up menu loads and saves
// filter files.

#include <QDialog>
#include <array>

#include "app/Context.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimeEdit;

namespace vadrix {

class Dialogs;
class EditorForm;
class EntryField;

class TfmFlt : public QDialog {
    Q_OBJECT
  public:
    // Which filter, also the help context.
    static constexpr int kDisplayFilter = 6100;
    static constexpr int kLogFilter = 6300;

    // One row of number conditions.
    struct Row {
        QLabel* label = nullptr;
        QComboBox* mode = nullptr;  // off, is, is not
        EntryField* value1 = nullptr;
        QComboBox* compare = nullptr;  // equal, equal to either, range
        EntryField* value2 = nullptr;
        int largest = 0;
    };

    TfmFlt(Context& ctx, Dialogs& dialogs, const TFilterRecord& filter, int which,
           QWidget* mainWindow);
    // The record as the dialog leaves it (after OK, Reset or a load).
    const TFilterRecord& Filter() const { return filter_; }
    const Row& RowControls(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    QMenu* LoadSaveMenu() const { return pmLoadSave_; }
    void accept() override;

    // The largest value row i (0..3) accepts.
    static int RowLargest(int row);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void Show();
    // Checks every field and reads the controls into the record; false when a field is
    // out of range.
    bool ReadBack();
    void Reset();
    void Load();
    void Save();
    void Entered(QWidget* w);

    Context& ctx_;
    Dialogs& dialogs_;
    TFilterRecord filter_;
    EditorForm* form_;
    QStatusBar* status_;
    QCheckBox* chbVon_;
    QCheckBox* chbBis_;
    QDateEdit* dtVon_;
    QDateEdit* dtBis_;
    QTimeEdit* tmVon_;
    QTimeEdit* tmBis_;
    QListWidget* chlbStat_;
    QListWidget* chlbTKen_;
    QListWidget* chlbDa_;
    std::array<Row, 4> rows_;
    QPushButton* btnReset_;
    QMenu* pmLoadSave_;
};

// Runs the dialog on a copy of the display filter (which 6100) or the log filter (6300);
// with OK the copy is written back and put in force when it restricts anything. True on OK.
bool EditFilter(Context& ctx, Dialogs& dialogs, QWidget* mainWindow, int which);

}  // namespace vadrix
