#pragma once
// TfmAlg: the general settings: operating mode (with the terminal and the programming window
// as one-off functions), traffic kind, data synchronisation, the type-17 option, the scales,
// the log size and the data folder, on a copy of the general parameter record.

#include <QDialog>
#include <filesystem>

#include "app/Context.h"

class QComboBox;
class QLabel;
class QStatusBar;

namespace vadrix {

class Dialogs;
class EditorForm;
class EntryField;

class TfmAlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kTerminalItem = 3;
    static constexpr int kProgrammingItem = 4;

    TfmAlg(Context& ctx, Dialogs& dialogs, QWidget* mainWindow);
    // The record as the dialog leaves it (after OK), and the data folder chosen.
    const TGeneralParams& Params() const { return params_; }
    const std::filesystem::path& DataDirectory() const { return dataDirectory_; }
    // The operating mode item chosen: 3 and 4 are one-off functions, not stored.
    int ModeItem() const;
    void accept() override;

  private:
    Context& ctx_;
    Dialogs& dialogs_;
    TGeneralParams params_;
    std::filesystem::path dataDirectory_;
    EditorForm* form_;
    QStatusBar* status_;
    QComboBox* cbProt_;
    QComboBox* cbVka_;
    QComboBox* cbDaAbg_;
    QComboBox* cbUeb17_;
    EntryField* sfScale8_;
    EntryField* sfScale11_;
    EntryField* sfMaxLog_;
    EntryField* edLogVerz_;
};

}  // namespace vadrix
