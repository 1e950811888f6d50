#pragma once
// TfmPgSt: the station parameters of a field device, its 16 bytes shown in engineering
// units; Save rewrites the block from the fields.

#include <QDialog>

#include "app/Context.h"
#include "params/StationParams.h"

class QComboBox;
class QLabel;
class QStatusBar;

namespace vadrix {

class EditorForm;
class EntryField;

class TfmPgSt : public QDialog {
    Q_OBJECT
  public:
    TfmPgSt(Context& ctx, const StationParamBlock& block, QWidget* mainWindow);
    // The block as saved (after OK).
    const StationParamBlock& Block() const { return block_; }
    void accept() override;

  private:
    void Fill();
    void ShowStationType();

    Context& ctx_;
    StationParamBlock block_;
    EditorForm* form_;
    QStatusBar* stbarAlg_;
    EntryField* sfStation_;
    EntryField* sfEBaud_;
    EntryField* sfSBaud_;
    EntryField* sfEMv_;
    EntryField* sfSMv_;
    EntryField* sfTol_;
    EntryField* sfKUeb_;
    EntryField* sfZUeb_;
    EntryField* sfSByte_;
    QComboBox* cbEHamm_;
    QComboBox* cbSHamm_;
    QComboBox* cbDf_;
    QLabel* lblTyp_;
};

// Shows the dialog for the block; true (and the block rewritten) on Save.
bool EditStationParameters(Context& ctx, StationParamBlock& block, QWidget* mainWindow);

}  // namespace vadrix
