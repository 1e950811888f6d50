#include "print/PainterCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include "common/TextTable.h"

namespace vadrix {
namespace {

// Fine enough for the 10-point lines, and the page's figures stay small.
constexpr int kPdfResolution = 300;

}  // namespace

QFont PrintFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

int PainterCanvas::PageHeight() const {
    return height_;
}

int PainterCanvas::PixelsPerInchX() const {
    return dpiX_;
}

int PainterCanvas::PixelsPerInchY() const {
    return dpiY_;
}

// A line's full height, so that lines one step apart never touch.
int PainterCanvas::TextHeight(std::string_view) const {
    return lineHeight_;
}

// The run places a line by its top; the painter writes on the base line.
void PainterCanvas::DrawText(int x, int y, std::string_view text) {
    if (!painter_.isActive()) return;
    painter_.drawText(x, y + ascent_, QString::fromStdString(Cp1252ToUtf8(text)));
}

void PainterCanvas::NewPage() {
    if (device_ != nullptr && device_->newPage()) ++pages_;
}

bool PainterCanvas::BeginPainting(QPagedPaintDevice& device) {
    device_ = &device;
    if (!painter_.begin(&device)) {
        device_ = nullptr;
        return false;
    }
    painter_.setFont(font_);
    const QFontMetrics metrics(font_, device_);
    height_ = device.height();
    dpiX_ = device.logicalDpiX();
    dpiY_ = device.logicalDpiY();
    lineHeight_ = metrics.height();
    ascent_ = metrics.ascent();
    pages_ = 1;
    return true;
}

void PainterCanvas::EndPainting() {
    if (painter_.isActive()) painter_.end();
    device_ = nullptr;
}

PdfCanvas::PdfCanvas(const QString& file, QFont font)
    : PainterCanvas(std::move(font)), file_(file) {}

PdfCanvas::~PdfCanvas() {
    AbortJob();
}

bool PdfCanvas::BeginJob() {
    if (!file_.open(QIODevice::WriteOnly)) return false;
    writer_ = std::make_unique<QPdfWriter>(&file_);
    // Across the page: the heading is 120 columns wide.
    writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                       QMarginsF(0, 0, 0, 0)));
    writer_->setResolution(kPdfResolution);
    writer_->setCreator(QStringLiteral("Vadrix"));
    if (BeginPainting(*writer_)) return true;
    writer_.reset();
    file_.cancelWriting();
    return false;
}

bool PdfCanvas::EndJob() {
    if (!writer_) return false;
    EndPainting();
    writer_.reset();
    return file_.commit();
}

// The half-written file is dropped; the target stays as it was.
void PdfCanvas::AbortJob() {
    if (!writer_) return;
    EndPainting();
    writer_.reset();
    file_.cancelWriting();
    file_.commit();
}

}  // namespace vadrix
