#pragma once
// The grid of the send list editor: a table model over the working copy's 400 rows (the row
// number, active, type, kind of transmission, system, telegram number and information
// columns) and the view that edits it, keeps a refused cell in editing and moves as the
// editor's grid does.

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <optional>
#include <string>

#include "app/Context.h"

namespace vadrix {

namespace grid_col {
inline constexpr int kRow = 0;
inline constexpr int kAkt = 1;
inline constexpr int kTyp = 2;
inline constexpr int kDa = 3;
inline constexpr int kSys = 4;
inline constexpr int kTelNr = 5;
inline constexpr int kInf = 6;
inline constexpr int kCount = 7;
}  // namespace grid_col

class SendListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    SendListModel(Context& ctx, TSendList& list, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Why a cell refuses a text (CP1252 message), or nothing when it takes it.
    std::optional<std::string> CheckCell(const QModelIndex& index, const QString& text) const;
    // The row takes a type and that type's template; Akt and Sys stay.
    void SetRowType(int row, int type);
    // The rows changed behind the model's back.
    void Reset();
    TSendEntry& Entry(int row) const { return list_.Row(row + 1); }

  private:
    Context& ctx_;
    TSendList& list_;
};

class SendGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    QWidget* Editor() const { return editor_; }

  private:
    mutable QPointer<QWidget> editor_;
};

class SendGrid : public QTableView {
    Q_OBJECT
  public:
    SendGrid(Context& ctx, QWidget* parent);
    SendListModel* Model() const { return static_cast<SendListModel*>(model()); }
    // Ends the editing of the active cell, taking its value over; false when it refuses.
    bool EndEdit();
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    // The selected rows, first to last (0-based); the active row when none is selected.
    std::pair<int, int> SelectedRows() const;
    int SelectedRowCount() const;
    void SetActiveCell(int row, int column);

  signals:
    void cellEntered(int row, int column);
    void rightClicked(QPoint globalPos);

  protected:
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    QModelIndex NextCell(const QModelIndex& at) const;
    Context& ctx_;
    SendGridDelegate* delegate_;
    bool refused_ = false;
};

}  // namespace vadrix
