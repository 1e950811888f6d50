#include "gui/app/Q5StatusTable.h"

#include <QFontDatabase>
#include <QHeaderView>

#include "app/Context.h"
#include "common/TextTable.h"

namespace vadrix {

namespace {

QString FromCp1252(const std::string& s) {
    return QString::fromStdString(Cp1252ToUtf8(s));
}

}  // namespace

Q5StatusTable::Q5StatusTable(QWidget* parent) : QTableWidget(kStatusRows, kStatusColumns, parent) {
    setObjectName("tbSt");
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Right-aligned counters line up only in a fixed-pitch font.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

void Q5StatusTable::Bind(Context& ctx) {
    ctx_ = &ctx;
    SetupStatusTable();
}

void Q5StatusTable::SetupStatusTable() {
    if (!ctx_) return;
    const StatusTableLayout layout = vadrix::SetupStatusTable(*ctx_, cells_);
    setRowCount(1 + layout.dataRows);
    const int rowHeight = (layout.heightPx - 4) / (1 + layout.dataRows);
    for (int row = 0; row < rowCount(); ++row) setRowHeight(row, rowHeight);
    for (int c = 0; c < kStatusColumns; ++c) setColumnWidth(c, layout.columnWidths[c]);
    setFixedSize(layout.widthPx, layout.heightPx);
    for (int row = 0; row < rowCount(); ++row)
        for (int c = 0; c < kStatusColumns; ++c) ShowCell(row, c);
}

void Q5StatusTable::FillStatusTable() {
    if (!ctx_) return;
    vadrix::FillStatusTable(*ctx_, cells_);
    for (int row = 1; row < rowCount(); ++row)
        for (int c = 1; c < kStatusColumns; ++c) ShowCell(row, c);
    viewport()->update();
}

void Q5StatusTable::UpdateCounterCell(int k) {
    if (!ctx_ || ctx_->settings.OnlineDisplay == 0) return;
    if (k < 0) {
        FillStatusTable();
        return;
    }
    const auto cell = vadrix::UpdateCounterCell(*ctx_, cells_, k);
    if (!cell || cell->row >= rowCount()) return;
    // A changed item repaints only its own cell; suspending the whole grid's updates would
    // repaint all of it when they resume.
    ShowCell(cell->row, cell->column);
}

QString Q5StatusTable::CellText(int row, int column) const {
    const QTableWidgetItem* it = item(row, column);
    return it ? it->text() : QString();
}

void Q5StatusTable::ShowCell(int row, int column) {
    QTableWidgetItem* it = item(row, column);
    if (!it) {
        it = new QTableWidgetItem;
        it->setFlags(Qt::ItemIsEnabled);
        // The header row and the row labels are drawn like headers.
        if (row == 0 || column == 0) it->setBackground(palette().button());
        setItem(row, column, it);
    }
    const QString text = FromCp1252(cells_[row][column]);
    if (it->text() != text) it->setText(text);
}

}  // namespace vadrix
