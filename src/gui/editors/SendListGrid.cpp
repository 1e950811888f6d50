#include "gui/editors/SendListGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "editors/InfoCell.h"
#include "editors/NumberText.h"
#include "editors/TypeCodes.h"
#include "gui/common/QtText.h"

namespace vadrix {

namespace {

constexpr int kRowHeight = 24;
constexpr int kTypeCellChars = 4;
constexpr int kInfoCellChars = 100;

struct Range {
    int lo, hi;
};

std::optional<Range> RangeOf(int column) {
    switch (column) {
        case grid_col::kDa:
            return Range{0, 3};
        case grid_col::kSys:
            return Range{0, 7};
        case grid_col::kTelNr:
            return Range{0, 1023};
        default:
            return std::nullopt;
    }
}

std::string Cp(const QString& s) {
    return Utf8ToCp1252(s.toStdString());
}

}  // namespace

SendListModel::SendListModel(Context& ctx, TSendList& list, QObject* parent)
    : QAbstractTableModel(parent), ctx_(ctx), list_(list) {}

int SendListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSendListRows;
}

int SendListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_col::kCount;
}

QVariant SendListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const TSendEntry& e = Entry(index.row());
    const int c = index.column();
    if (role == Qt::CheckStateRole && c == grid_col::kAkt)
        return e.Akt != 0 ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole && c != grid_col::kInf && c != grid_col::kTyp)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    switch (c) {
        case grid_col::kRow:
            return index.row() + 1;
        case grid_col::kTyp:
            return FromCp1252(TypeShortName(ctx_, e.Typ));
        case grid_col::kDa:
            return e.Da;
        case grid_col::kSys:
            return e.Sys;
        case grid_col::kTelNr:
            return e.TelNr;
        case grid_col::kInf:
            return FromCp1252(FormatInfoCell(e));
        default:
            return {};
    }
}

QVariant SendListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return section + 1;
    return QTxt(ctx_, txt::kGridHeadingBase + section);
}

Qt::ItemFlags SendListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == grid_col::kAkt) return f | Qt::ItemIsUserCheckable;
    if (index.column() > grid_col::kAkt) f |= Qt::ItemIsEditable;
    return f;
}

std::optional<std::string> SendListModel::CheckCell(const QModelIndex& index,
                                                    const QString& text) const {
    const std::string t = Cp(text);
    const int c = index.column();
    if (const auto r = RangeOf(c)) {
        if (ParseIntInRange(TrimBlanks(t), r->lo, r->hi)) return std::nullopt;
        return FormatText(ctx_.Txt(txt::kFieldRange), {FmtArg(r->lo), FmtArg(r->hi)});
    }
    bool ok = true;
    if (c == grid_col::kTyp)
        ok = ParseTypeCell(TrimBlanks(t), ctx_.Txt(txt::kClassCodes)).has_value();
    if (c == grid_col::kInf) {
        TSendEntry probe = Entry(index.row());
        ok = ParseInfoCell(t, ctx_.Txt(txt::kBitStringChars), probe);
    }
    if (ok) return std::nullopt;
    return std::string(ctx_.Txt(txt::kFieldInvalid));
}

bool SendListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid()) return false;
    TSendEntry& e = Entry(index.row());
    const int c = index.column();
    if (c == grid_col::kAkt && role == Qt::CheckStateRole) {
        e.Akt = value.toInt() == Qt::Checked ? 1 : 0;
        emit dataChanged(index, index);
        return true;
    }
    if (role != Qt::EditRole || CheckCell(index, value.toString())) return false;
    const std::string t = Cp(value.toString());
    switch (c) {
        case grid_col::kTyp:
            SetRowType(index.row(), *ParseTypeCell(TrimBlanks(t), ctx_.Txt(txt::kClassCodes)));
            return true;
        case grid_col::kDa:
            e.Da = static_cast<std::uint8_t>(*ParseWholeInt(TrimBlanks(t)));
            break;
        case grid_col::kSys:
            e.Sys = static_cast<std::uint8_t>(*ParseWholeInt(TrimBlanks(t)));
            break;
        case grid_col::kTelNr:
            e.TelNr = static_cast<std::uint16_t>(*ParseWholeInt(TrimBlanks(t)));
            break;
        case grid_col::kInf:
            ParseInfoCell(t, ctx_.Txt(txt::kBitStringChars), e);
            break;
        default:
            return false;
    }
    emit dataChanged(index, index);
    return true;
}

void SendListModel::SetRowType(int row, int type) {
    ApplyTypeTemplate(TypeTemplateOf(ctx_, type), type, Entry(row));
    emit dataChanged(this->index(row, 0), this->index(row, grid_col::kCount - 1));
}

void SendListModel::Reset() {
    beginResetModel();
    endResetModel();
}

QWidget* SendGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setMaxLength(index.column() == grid_col::kInf   ? kInfoCellChars
                         : index.column() == grid_col::kTyp ? kTypeCellChars
                                                            : 4);
    editor_ = editor;
    return editor;
}

SendGrid::SendGrid(Context& ctx, QWidget* parent)
    : QTableView(parent), ctx_(ctx), delegate_(new SendGridDelegate(this)) {
    setItemDelegate(delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setWordWrap(false);
}

bool SendGrid::EndEdit() {
    QWidget* editor = delegate_->Editor();
    if (!Editing() || !editor) return true;
    commitData(editor);
    if (refused_) return false;
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void SendGrid::commitData(QWidget* editor) {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    const QModelIndex at = currentIndex();
    const auto error = line ? Model()->CheckCell(at, line->text()) : std::nullopt;
    refused_ = error.has_value();
    if (!refused_) {
        QTableView::commitData(editor);
        return;
    }
    // The cell stays in its error state with its text until it is valid or given up.
    editor->setStyleSheet("QLineEdit { background: #ffd0d0; }");
    ctx_.ui.ShowMessage(*error, MessageKind::kError, MessageButtons::kOk);
}

void SendGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (refused_ && hint != QAbstractItemDelegate::RevertModelCache) {
        editor->setFocus();
        return;
    }
    refused_ = false;
    QTableView::closeEditor(editor, hint);
}

QModelIndex SendGrid::NextCell(const QModelIndex& at) const {
    if (at.column() < grid_col::kCount - 1) return model()->index(at.row(), at.column() + 1);
    // Right of the last column comes the first editable column of the next row.
    if (at.row() + 1 >= model()->rowCount()) return at;
    return model()->index(at.row() + 1, grid_col::kAkt);
}

QModelIndex SendGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex at = currentIndex();
    if (at.isValid() && (action == MoveNext || action == MoveRight)) return NextCell(at);
    QModelIndex to = QTableView::moveCursor(action, modifiers);
    if (to.isValid() && to.column() == grid_col::kRow)
        to = model()->index(to.row(), grid_col::kAkt);
    return to;
}

void SendGrid::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !Editing() && event->modifiers() == Qt::NoModifier) {
        setCurrentIndex(NextCell(currentIndex()));
        return;
    }
    if (event->key() == Qt::Key_Space && currentIndex().column() == grid_col::kAkt) {
        const QModelIndex at = currentIndex();
        const bool on = at.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(at, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return;
    }
    QTableView::keyPressEvent(event);
}

void SendGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const QModelIndex at = indexAt(event->position().toPoint());
        if (at.isValid() && SelectedRowCount() <= 1) setCurrentIndex(at);
        emit rightClicked(event->globalPosition().toPoint());
        return;
    }
    QTableView::mousePressEvent(event);
}

void SendGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) emit cellEntered(current.row(), current.column());
}

std::pair<int, int> SendGrid::SelectedRows() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) return {currentIndex().row(), currentIndex().row()};
    int first = rows.front().row();
    int last = first;
    for (const QModelIndex& r : rows) {
        first = std::min(first, r.row());
        last = std::max(last, r.row());
    }
    return {first, last};
}

int SendGrid::SelectedRowCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

void SendGrid::SetActiveCell(int row, int column) {
    const QModelIndex at = model()->index(std::clamp(row, 0, model()->rowCount() - 1),
                                          std::clamp(column, 1, grid_col::kCount - 1));
    selectionModel()->setCurrentIndex(
        at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(at);
}

}  // namespace vadrix
