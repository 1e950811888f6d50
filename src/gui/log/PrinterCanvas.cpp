#include "gui/log/PrinterCanvas.h"

namespace vadrix {

PrinterCanvas::PrinterCanvas(const QString& printerName, QFont font)
    : PainterCanvas(std::move(font)), printer_(QPrinter::HighResolution) {
    printer_.setPrinterName(printerName);
    printer_.setDocName(QStringLiteral("Vadrix"));
    // Across the page, as the PDF file: the heading is 120 columns wide.
    printer_.setPageOrientation(QPageLayout::Landscape);
}

PrinterCanvas::~PrinterCanvas() {
    AbortJob();
}

bool PrinterCanvas::BeginJob() {
    printing_ = BeginPainting(printer_);
    return printing_;
}

bool PrinterCanvas::EndJob() {
    if (!printing_) return false;
    printing_ = false;
    EndPainting();
    return printer_.printerState() != QPrinter::Error;
}

void PrinterCanvas::AbortJob() {
    if (!printing_) return;
    printing_ = false;
    printer_.abort();
    EndPainting();
}

}  // namespace vadrix
