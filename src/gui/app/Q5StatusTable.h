#pragma once
// tbSt: the channel status table above the online display. A read-only grid showing the
// cells that core works out; the main window binds it and forwards the log's counter
// notifications.

#include <QTableWidget>

#include "app/StatusDisplay.h"

namespace vadrix {

struct Context;

class Q5StatusTable : public QTableWidget {
    Q_OBJECT

  public:
    explicit Q5StatusTable(QWidget* parent = nullptr);

    void Bind(Context& ctx);
    // Headers, row labels and sizes for the protocol variant in force.
    void SetupStatusTable();
    // Every counter and parameter cell, then a repaint.
    void FillStatusTable();
    // The log's notification of counter k (-1: all changed); only the online display follows.
    void UpdateCounterCell(int k);

    QString CellText(int row, int column) const;

  private:
    void ShowCell(int row, int column);

    Context* ctx_ = nullptr;
    StatusCells cells_;
};

}  // namespace vadrix
