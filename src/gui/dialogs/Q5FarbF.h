#pragma once
// TfmFarb: the log view's font size, the spacing between telegrams and the six colour pairs,
// each with a sample drawn as the log view draws it.

#include <QDialog>
#include <array>

#include "app/Context.h"

class QComboBox;
class QLabel;
class QStatusBar;

namespace vadrix {

class EditorForm;
class EntryField;

class TfmFarb : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kPairs = 6;

    TfmFarb(Context& ctx, QWidget* mainWindow);
    // The view block as the dialog leaves it (after OK).
    const TViewBlock& View() const { return view_; }
    QComboBox* TextColour(int pair) const { return fg_[static_cast<std::size_t>(pair)]; }
    QComboBox* BackColour(int pair) const { return bg_[static_cast<std::size_t>(pair)]; }
    QLabel* Sample(int pair) const { return samples_[static_cast<std::size_t>(pair)]; }
    void accept() override;

  private:
    void ShowSample(int pair);

    Context& ctx_;
    TViewBlock view_;
    EditorForm* form_;
    QStatusBar* status_;
    QComboBox* cbSize_;
    EntryField* sfLeerZl_;
    std::array<QComboBox*, kPairs> fg_{};
    std::array<QComboBox*, kPairs> bg_{};
    std::array<QLabel*, kPairs> samples_{};
};

// The item of the size list a stored font size selects: where its digits first stand in the
// items text, divided by the width of an item; 0 when they are not there.
int FontSizeItem(std::string_view itemsText, int fontSize);

}  // namespace vadrix
