#pragma once
// The printer as the output run sees it: a canvas that draws text lines on pages. The
// window's printer support implements it; core only places the lines.

#include <string_view>

namespace vadrix {

class PageCanvas {
  public:
    virtual ~PageCanvas() = default;
    // Starts the print job; false when the printer cannot be used.
    virtual bool BeginJob() = 0;
    virtual int PageHeight() const = 0;  // pixels
    virtual int PixelsPerInchX() const = 0;
    virtual int PixelsPerInchY() const = 0;
    // The height of a line of text in the printer font.
    virtual int TextHeight(std::string_view sample) const = 0;
    // Text is CP1252, as the lines of the line generator.
    virtual void DrawText(int x, int y, std::string_view text) = 0;
    virtual void NewPage() = 0;
    // Finishes the job; false when it could not be completed (a file target not written).
    virtual bool EndJob() = 0;
    virtual void AbortJob() = 0;
};

}  // namespace vadrix
