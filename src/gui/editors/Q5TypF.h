#pragma once
// TfmTyp: the type picker of the send list editor. Enter or a double click takes the chosen
// type, Escape cancels.

#include <QDialog>

class QListWidget;

namespace vadrix {

struct Context;

class TfmTyp : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kWidth = 316;

    // cellLeft: the screen position of the active cell's left edge; editorTop: the editor's
    // top edge.
    TfmTyp(const Context& ctx, int type, QPoint cellLeft, int editorTop, QWidget* parent);
    int ChosenType() const;
    QListWidget* List() const { return lbTyp_; }

  private:
    QListWidget* lbTyp_;
};

}  // namespace vadrix
