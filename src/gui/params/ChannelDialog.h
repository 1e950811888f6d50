#pragma once
// What both channel dialogs share: a modal dialog over a copy of the channel's parameter
// block with pages, the port list (device paths beside the numbers), the function, class
// poll, station and cycle fields, OK, Cancel (asking when something changed) and Help, the
// hint of the focused control, and the page and control that come back next time.

#include <QDialog>
#include <string>
#include <vector>

#include "app/Context.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QStatusBar;
class QTabWidget;

namespace vadrix {

class EditorForm;
class EntryField;
class PortTable;

class ChannelDialog : public QDialog {
    Q_OBJECT
  public:
    // The block as the dialog leaves it (after OK).
    const TChannelBlock& Block() const { return block_; }
    QTabWidget* Pages() const { return pages_; }
    QStatusBar* StatusBar() const { return status_; }

    void accept() override;
    void reject() override;

  protected:
    ChannelDialog(Context& ctx, TEmSe& ch, QWidget* mainWindow, const PortTable* ports);

    // A page of the dialog with its grid.
    QGridLayout* AddPage(int text, const char* name);
    EntryField* NewField(const char* name, int lo, int hi, int digits);
    QComboBox* NewCombo(const char* name);
    QLabel* NewLabel();
    void Row(QGridLayout* grid, int row, QWidget* label, QWidget* field);
    // The port list, the function, class poll, station and cycle fields, on their pages.
    void BuildCommon(QGridLayout* portPage, int portLabel, QGridLayout* functionPage);
    // The buttons, and the controls in the order of the focus.
    void Finish(const std::vector<QWidget*>& order);
    // The stored page and control, the dialog's fields filled from the block.
    void Show(int& pageField, int& focusField);

    virtual void Fill();
    virtual void Read(TChannelBlock& b) const;

    Context& ctx_;
    TEmSe& ch_;
    TChannelBlock block_;
    EditorForm* form_ = nullptr;
    bool filling_ = false;

  private:
    void FillPorts();
    void FillClassPolls();

    const PortTable* ports_;
    QTabWidget* pages_;
    QStatusBar* status_;
    QComboBox* cbCom_ = nullptr;
    QLabel* lblCom_ = nullptr;
    QComboBox* cbFktn_ = nullptr;
    QLabel* lblFktn_ = nullptr;
    QComboBox* cbList_ = nullptr;
    QLabel* lblList_ = nullptr;
    EntryField* sfStNr_ = nullptr;
    EntryField* sfZykPt_ = nullptr;
    int* pageField_ = nullptr;
    int* focusField_ = nullptr;
};

}  // namespace vadrix
