#pragma once
// The output run's printer on Qt's painting: a canvas that draws the lines with a QPainter
// on a paged device, a real printer or a PDF file. The PDF file is written beside its
// target and takes its place only when the job ends, so a cancelled or failed job leaves
// no half-written file under the target's name.

#include <QFont>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <memory>

#include "output/PageCanvas.h"

class QPagedPaintDevice;
class QPdfWriter;

namespace vadrix {

// The lines' font: the fixed-pitch font of the system at 10 points, as the log view's lines
// are laid out in columns.
QFont PrintFont();

class PainterCanvas : public PageCanvas {
  public:
    explicit PainterCanvas(QFont font) : font_(std::move(font)) {}

    int PageHeight() const override;
    int PixelsPerInchX() const override;
    int PixelsPerInchY() const override;
    int TextHeight(std::string_view sample) const override;
    void DrawText(int x, int y, std::string_view text) override;
    void NewPage() override;

    // The pages begun, and the figures of the last job's device (kept after its end).
    int Pages() const { return pages_; }

  protected:
    // Begins painting on the device; false when the device refuses.
    bool BeginPainting(QPagedPaintDevice& device);
    void EndPainting();

  private:
    QFont font_;
    QPainter painter_;
    QPagedPaintDevice* device_ = nullptr;  // while painting
    int height_ = 0, dpiX_ = 0, dpiY_ = 0, lineHeight_ = 0, ascent_ = 0;
    int pages_ = 0;
};

// A PDF file of A4 pages.
class PdfCanvas : public PainterCanvas {
  public:
    explicit PdfCanvas(const QString& file, QFont font = PrintFont());
    ~PdfCanvas() override;

    bool BeginJob() override;
    bool EndJob() override;
    void AbortJob() override;
    // Why the file could not be begun or written, for the message.
    QString ErrorText() const { return file_.errorString(); }

  private:
    QSaveFile file_;
    std::unique_ptr<QPdfWriter> writer_;
};

}  // namespace vadrix
