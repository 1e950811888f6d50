#pragma once
// The log view's drawing: the online display fed from the online queue, and the log display
// as a window on the log file moved by scroll commands. It decides which records are drawn,
// where their lines go and in which colours; the lines come from the line generator and a
// canvas of the window puts them on the screen. Only the records on the screen are formatted.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/Context.h"
#include "interpret/LineGenerator.h"

namespace vadrix {

class Descriptions;

// Where the display draws. Colours are indices of the colour table (1..19).
class DisplayCanvas {
  public:
    virtual ~DisplayCanvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int LineHeight() const = 0;
    // The heading font: one point larger and bold.
    virtual int HeadingLineHeight() const = 0;
    // Low byte the text colour, high byte the background colour.
    virtual void SetPair(std::uint16_t pair) = 0;
    // Text in CP1252 at (x, y), y the top of its line, on the pair's background.
    virtual void PutText(int x, int y, std::string_view text, bool heading) = 0;
    // Fills the full width between top and bottom in a background colour.
    virtual void Fill(int top, int bottom, int colour) = 0;
    // Moves what is drawn between top + dy and bottom up by dy.
    virtual void ScrollUp(int top, int bottom, int dy) = 0;
    // The long date of a record's time (days since 30 December 1899) in the user's language.
    virtual std::string LongDate(double time) const = 0;
};

// The scroll commands: virtual key codes, with Ctrl and Shift as bits 512 and 1024 above
// page up and page down.
namespace view_cmd {
inline constexpr int kThumb = 0;  // with a position 0..1000
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLineUp = 38;
inline constexpr int kLineDown = 40;
inline constexpr int kCtrl = 512;
inline constexpr int kShift = 1536;       // 1569 = Shift + page up
inline constexpr int kShiftCtrl = 1024;   // 1057 = Shift + Ctrl + page up
inline constexpr int kFormatChanged = 1;  // 1..7: the format or the time column changed
inline constexpr int kRepaint = 8;
}  // namespace view_cmd

class LogDisplay {
  public:
    static constexpr int kTextX = 10;
    static constexpr int kWrapLines = 7;
    static constexpr int kMarkerColour = 5;  // yellow
    static constexpr int kHeadingColumns = 80;

    LogDisplay(Context& ctx, const Descriptions* descriptions, DisplayCanvas& canvas);

    // The log display for a command; returns the scroll bar's position 0..1000. In the online
    // display it only asks for a full redraw at the next tick and returns 0.
    int Redraw(int command, int position);
    // Every timer tick: draws the pending online records (one, or all on a full redraw).
    void DrainOnline();
    void ClearOnline();
    void SwitchToOnline();
    void SwitchToLog();
    bool OnlineDisplay() const { return ctx_.settings.OnlineDisplay != 0; }
    void RequestFullRedraw() { ctx_.log.Queue().redrawAll = true; }

    // The scrolling option; when off, the online display wraps.
    bool scrolling = true;
    // Switch "t2": a line with the time the drawing took.
    bool timing = false;
    // Only for the timing line: the milliseconds since some start.
    std::uint32_t (*msNow)() = nullptr;

    // What the tests look at.
    int Y() const { return y_; }
    int Top() const { return top_; }
    int MarkerY() const { return markerY_; }

  private:
    struct Metrics {
        int lineHeight = 1;
        int bottom = 0;
        int screenLines = 0;
        int spacing = 0;
        int lastLine = 0;
    };
    void SetMetrics();
    void ClearScreen();
    void DrawHeading(int y);
    std::string DescriptionLine() const;
    std::string ColumnHeading() const;
    void PutLine(std::string_view text);
    void AddSpacing();
    void SetPair(std::uint16_t pair);
    std::uint16_t HeadingPair() const;

    // Online display.
    void FullOnlineRedraw();
    int RecordHeight(const TTelegram& rec);
    void DrawOnlineRecord(const TTelegram& rec);
    void DrawScrolling(const TTelegram& rec);
    void DrawWrapping(const TTelegram& rec);
    void DrawLines(const TTelegram& rec, int maxLines);
    void TimingLine(std::uint32_t startMs);

    // Log display.
    void Position(int command, int position);
    void GoToNewest();
    void GoToOldest();
    void DrawLogHeading(const TTelegram& rec);
    bool MoveToDrawable();

    Context& ctx_;
    DisplayCanvas& canvas_;
    LineGenerator lines_;
    InterpretSettings settings_;
    Metrics m_;
    int y_ = 0;
    int top_ = 0;
    int markerY_ = -1;
    bool screenFull_ = false;
    std::uint16_t pair_ = 0;
    bool pairSet_ = false;
    double previousTime_ = 0;
    std::uint32_t slowestMs_ = 0;
    std::uint32_t lastShownMs_ = 0;
};

}  // namespace vadrix
