#pragma once
// The output run's printer on one of the system's printers.

#include <QPrinter>

#include "print/PainterCanvas.h"

namespace vadrix {

class PrinterCanvas : public PainterCanvas {
  public:
    explicit PrinterCanvas(const QString& printerName, QFont font = PrintFont());
    ~PrinterCanvas() override;

    bool BeginJob() override;
    bool EndJob() override;
    void AbortJob() override;

  private:
    QPrinter printer_;
    bool printing_ = false;
};

}  // namespace vadrix
