#include "view/LogDisplay.h"

#include <algorithm>
#include <cmath>

#include "common/TextFormat.h"
#include "common/TextIds.h"
#include "interpret/Descriptions.h"
#include "output/Output.h"

namespace vadrix {
namespace {

constexpr int kHeadingPairIndex = 4;  // events and headings
constexpr int kFirstY = 6;            // below the top edge
constexpr int kFastMove = 5000;

std::uint16_t PairOf(const std::uint8_t (&p)[2]) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

int Background(std::uint16_t pair) {
    return pair >> 8;
}

std::string Grouped(std::int64_t v, char sep) {
    std::string s;
    AppendGrouped(s, v, sep);
    return s;
}

}  // namespace

LogDisplay::LogDisplay(Context& ctx, const Descriptions* descriptions, DisplayCanvas& canvas)
    : ctx_(ctx), canvas_(canvas), lines_(ctx, descriptions) {}

// ---------------------------------------------------------------------------------------
// Metrics and primitives

void LogDisplay::SetMetrics() {
    m_.lineHeight = std::max(1, canvas_.LineHeight());
    m_.bottom = canvas_.Height();
    m_.screenLines = m_.bottom / m_.lineHeight - 6;
    m_.spacing = ctx_.settings.View.SpacingPercent * m_.lineHeight / 100;
    m_.lastLine = top_ + std::max(0, (m_.bottom - top_) / m_.lineHeight) * m_.lineHeight;
}

std::uint16_t LogDisplay::HeadingPair() const {
    return PairOf(ctx_.settings.View.Colours[kHeadingPairIndex]);
}

void LogDisplay::SetPair(std::uint16_t pair) {
    // Only a change touches the canvas.
    if (pairSet_ && pair == pair_) return;
    pair_ = pair;
    pairSet_ = true;
    canvas_.SetPair(pair);
}

void LogDisplay::PutLine(std::string_view text) {
    if (y_ + m_.lineHeight > m_.bottom) y_ = top_;
    canvas_.PutText(kTextX, y_, text, false);
    y_ += m_.lineHeight;
    if (y_ + m_.lineHeight > m_.bottom) screenFull_ = true;
}

void LogDisplay::AddSpacing() {
    y_ += m_.spacing;
    if (y_ + m_.lineHeight > m_.bottom) screenFull_ = true;
}

std::string LogDisplay::DescriptionLine() const {
    const bool online = OnlineDisplay();
    std::string s(ctx_.Txt(txt::kDisplayModeBase + (online ? 1 : 0)));
    if (ctx_.general.DisplayFilter.FilterOn != 0)
        s += ctx_.Txt(txt::kViewFilterBase + 1);
    else if (ctx_.general.LogFilter.FilterOn != 0)
        s += ctx_.Txt(txt::kViewFilterBase + (online ? 1 : 0));
    else
        s += ctx_.Txt(txt::kViewFilterBase);
    s += ctx_.Txt(txt::kViewTextBase + std::clamp(ctx_.settings.DisplayFormat, 2, 8));
    s += ctx_.Txt(txt::kViewTextBase + (settings_.timeLine ? 1 : 0));
    if (s.size() < kHeadingColumns) s.resize(kHeadingColumns, ' ');
    return s;
}

std::string LogDisplay::ColumnHeading() const {
    return std::string(ctx_.Txt(settings_.format == DisplayFormat::afCsv ? txt::kExportHeading
                                                                         : txt::kColumnHeading));
}

void LogDisplay::ClearScreen() {
    // The log display reads a log in the variant it was written in.
    settings_ = OnlineDisplay() || !ctx_.log.IsOpen()
                    ? SettingsFromContext(ctx_)
                    : SettingsFromLogHeader(ctx_, ctx_.log.Header());
    SetMetrics();
    pairSet_ = false;
    SetPair(HeadingPair());
    canvas_.Fill(0, m_.bottom, Background(HeadingPair()));
    y_ = kFirstY;
    markerY_ = -1;
    screenFull_ = false;
    if (OnlineDisplay()) {
        canvas_.PutText(kTextX, y_, DescriptionLine(), true);
        y_ += canvas_.HeadingLineHeight();
        PutLine(ColumnHeading());
        y_ += 3;
    }
    top_ = y_;
    SetMetrics();
}

// ---------------------------------------------------------------------------------------
// Online display

void LogDisplay::SwitchToOnline() {
    ctx_.settings.OnlineDisplay = 1;
    ctx_.log.CloseView();
    RequestFullRedraw();
}

void LogDisplay::SwitchToLog() {
    ctx_.settings.OnlineDisplay = 0;
    ctx_.log.OpenView();
    Redraw(view_cmd::kEnd, 0);
}

void LogDisplay::ClearOnline() {
    ctx_.log.ClearQueue();
    RequestFullRedraw();
}

int LogDisplay::RecordHeight(const TTelegram& rec) {
    return lines_.LineCount(settings_, rec) * m_.lineHeight + m_.spacing;
}

void LogDisplay::DrainOnline() {
    if (!OnlineDisplay()) return;
    TOnlineQueue& q = ctx_.log.Queue();
    if (q.Pending() == 0 && !q.redrawAll) return;
    const std::uint32_t start = msNow ? msNow() : 0;
    if (q.redrawAll) {
        FullOnlineRedraw();
    } else {
        TTelegram rec;
        if (q.Take(rec) && ctx_.log.PassesDisplayFilter(rec)) DrawOnlineRecord(rec);
    }
    if (timing) TimingLine(start);
}

void LogDisplay::FullOnlineRedraw() {
    TOnlineQueue& q = ctx_.log.Queue();
    q.redrawAll = false;
    previousTime_ = 0;  // the first record on a fresh screen has no time difference
    ClearScreen();
    // Back from the newest slot while the records fit, then forwards to the newest; the
    // slots keep records already drawn.
    TTelegram rec;
    while (q.Take(rec)) {
    }
    const int newest = (q.WriteIndex() + TOnlineQueue::kSlots - 1) % TOnlineQueue::kSlots;
    int first = -1;
    int height = top_;
    for (int back = 0; back < TOnlineQueue::kSlots - 1; ++back) {
        const int i = (newest - back + TOnlineQueue::kSlots) % TOnlineQueue::kSlots;
        const TTelegram& r = q.Slot(i);
        if (r.RecLen == 0) break;
        if (!ctx_.log.PassesDisplayFilter(r)) {
            first = i;
            continue;
        }
        height += RecordHeight(r);
        if (height >= m_.lastLine) break;
        first = i;
    }
    if (first < 0) return;
    for (int i = first;; i = (i + 1) % TOnlineQueue::kSlots) {
        const TTelegram& r = q.Slot(i);
        if (ctx_.log.PassesDisplayFilter(r)) DrawOnlineRecord(r);
        if (i == newest) break;
    }
}

void LogDisplay::DrawOnlineRecord(const TTelegram& rec) {
    if (scrolling)
        DrawScrolling(rec);
    else
        DrawWrapping(rec);
}

void LogDisplay::DrawLines(const TTelegram& rec, int maxLines) {
    lines_.Prepare(settings_, rec, previousTime_, rec.SeqNo);
    SetPair(lines_.ColourPair());
    std::string line;
    for (int n = 0; n < maxLines && !screenFull_; ++n) {
        line.clear();
        if (!lines_.NextLine(line)) break;
        PutLine(line);
    }
    previousTime_ = lines_.PreviousTime();
}

void LogDisplay::DrawScrolling(const TTelegram& rec) {
    const int height = RecordHeight(rec);
    const int overflow = y_ + height - m_.lastLine;
    if (overflow > 0) {
        const int dy = std::min(overflow, std::max(0, y_ - top_));
        if (dy > 0) {
            canvas_.ScrollUp(top_, m_.bottom, dy);
            canvas_.Fill(m_.bottom - dy, m_.bottom, Background(HeadingPair()));
            y_ -= dy;
        }
    }
    screenFull_ = false;
    AddSpacing();
    screenFull_ = false;
    DrawLines(rec, 1 << 30);
}

void LogDisplay::DrawWrapping(const TTelegram& rec) {
    static constexpr char kMarker[] = "        ";
    lines_.Prepare(settings_, rec, previousTime_, rec.SeqNo);
    const std::uint16_t pair = lines_.ColourPair();
    if (markerY_ >= 0) {
        SetPair(HeadingPair());
        canvas_.PutText(kTextX, markerY_, kMarker, false);
    }
    if (y_ + 6 * m_.lineHeight > m_.bottom) y_ = top_;
    markerY_ = y_;
    SetPair(static_cast<std::uint16_t>((pair & 0xFF) | (kMarkerColour << 8)));
    canvas_.PutText(kTextX, y_, kMarker, false);
    y_ += m_.lineHeight;
    const int slotEnd = std::min(m_.bottom, y_ + kWrapLines * m_.lineHeight);
    canvas_.Fill(y_, slotEnd, Background(pair));
    screenFull_ = false;
    DrawLines(rec, kWrapLines);
    y_ = slotEnd;
    screenFull_ = false;
}

void LogDisplay::TimingLine(std::uint32_t startMs) {
    if (!msNow) return;
    const std::uint32_t spent = msNow() - startMs;
    slowestMs_ = std::max(slowestMs_, spent);
    if (spent + 1 >= lastShownMs_ && spent <= lastShownMs_ + 1) return;
    lastShownMs_ = spent;
    const std::string line =
        "Display: " + std::to_string(spent) + " " + std::to_string(slowestMs_) + " ";
    SetPair(HeadingPair());
    canvas_.PutText(canvas_.Width() / 2, kFirstY, line, false);
}

// ---------------------------------------------------------------------------------------
// Log display

int LogDisplay::Redraw(int command, int position) {
    previousTime_ = 0;
    const std::uint32_t start = msNow ? msNow() : 0;
    if (OnlineDisplay()) {
        RequestFullRedraw();
        return 0;
    }
    ClearScreen();
    TTelLog& log = ctx_.log;
    if (!log.ViewOpen()) return 0;
    if (log.ViewRecord().RecLen == 0 || log.ViewStale()) {
        log.ClearViewStale();
        command = view_cmd::kEnd;
    }
    if (command == view_cmd::kThumb && position == 0) command = view_cmd::kHome;
    if (command == view_cmd::kThumb && position == 1000) command = view_cmd::kEnd;
    Position(command, position);

    bool first = true;
    TTelLog::ViewMark mark{};
    double shownDay = 0;
    while (!screenFull_) {
        if (!MoveToDrawable()) break;
        const TTelegram& rec = log.ViewRecord();
        const double day = std::floor(rec.Time);
        if (first) {
            mark = log.MarkView();
            DrawLogHeading(rec);
            first = false;
        } else if (day != shownDay) {
            SetPair(HeadingPair());
            PutLine(ShortDate(rec.Time, ctx_.settings.Language == 0));
        }
        shownDay = day;
        const TTelegram copy = rec;
        const int y0 = y_;
        DrawLines(copy, 1 << 30);
        if (y_ != y0) AddSpacing();
        if (!log.NextPassing()) {
            SetPair(HeadingPair());
            if (!screenFull_) PutLine(ctx_.Txt(txt::kEndOfLog));
            break;
        }
    }
    if (first) {
        // Nothing to draw: the heading area and the end of the log.
        SetPair(HeadingPair());
        PutLine(ctx_.Txt(txt::kEndOfLog));
        return 0;
    }
    log.ReturnToMark(mark);
    if (timing) TimingLine(start);
    const std::uint32_t count = log.RecordCount();
    if (count <= 1) return 0;
    const std::int64_t rel =
        static_cast<std::int64_t>(log.ViewRecord().SeqNo) - log.Directory().OldestSeqNo;
    return static_cast<int>(std::clamp<std::int64_t>(rel * 1000 / (count - 1), 0, 1000));
}

// The cursor on a record to draw: an empty place or a record the filter rejects moves on to
// the next that passes.
bool LogDisplay::MoveToDrawable() {
    TTelLog& log = ctx_.log;
    if (log.ViewRecord().RecLen != 0 && log.Passes()) return true;
    if (log.NextPassing()) return true;
    return false;
}

void LogDisplay::Position(int command, int position) {
    using namespace view_cmd;
    TTelLog& log = ctx_.log;
    switch (command) {
        case kEnd:
            GoToNewest();
            return;
        case kHome:
            GoToOldest();
            return;
        case kLineUp:
            log.Move(-1);
            return;
        case kLineDown:
            log.Move(1);
            return;
        case kPageUp:
            log.Move(-5);
            return;
        case kPageDown:
            log.Move(5);
            return;
        case kPageUp + kCtrl:
            log.Move(-500);
            return;
        case kPageDown + kCtrl:
            log.Move(500);
            return;
        case kPageUp + kShift:
            log.Move(-50);
            return;
        case kPageDown + kShift:
            log.Move(50);
            return;
        case kPageUp + kShiftCtrl:
            log.Move(-kFastMove);
            return;
        case kPageDown + kShiftCtrl:
            log.Move(kFastMove);
            return;
        case kThumb:
            if (position > 0 && position < 1000) {
                const std::int64_t count = log.RecordCount();
                const std::int64_t n =
                    count * position / 1000 + log.Directory().OldestSeqNo - log.ViewRecord().SeqNo;
                log.Move(static_cast<int>(std::clamp<std::int64_t>(n, -(1LL << 30), 1LL << 30)));
            }
            return;
        default:
            if (command >= 1 && command <= 7 && !log.Passes()) log.PrevPassing();
            return;
    }
}

void LogDisplay::GoToNewest() {
    TTelLog& log = ctx_.log;
    log.ViewToEnd();
    if (log.ViewRecord().RecLen == 0) return;
    if (log.DisplayFilterInForce()) {
        if (!log.Passes()) log.PrevPassing();
        return;
    }
    // Back while the records' lines fit the screen; the oldest record stops the walk.
    int sum = lines_.LineCount(settings_, log.ViewRecord()) + 1;
    while (sum + 4 <= m_.screenLines && log.StepBack()) {
        sum += lines_.LineCount(settings_, log.ViewRecord()) + 1;
        if (sum + 4 > m_.screenLines) {
            log.StepForward();
            break;
        }
    }
}

void LogDisplay::GoToOldest() {
    TTelLog& log = ctx_.log;
    log.ViewToStart();
    if (!log.Passes()) log.NextPassing();
}

void LogDisplay::DrawLogHeading(const TTelegram& rec) {
    TTelLog& log = ctx_.log;
    SetPair(HeadingPair());
    canvas_.PutText(kTextX, y_, DescriptionLine(), true);
    y_ += canvas_.HeadingLineHeight() + 4;
    const char sep = ctx_.settings.Language == 0 ? '.' : ',';
    std::string line = canvas_.LongDate(rec.Time);
    line += ctx_.Txt(txt::kHeadingRecord);
    line += Grouped(static_cast<std::int64_t>(rec.SeqNo) - log.Directory().OldestSeqNo + 1, sep);
    line += ctx_.Txt(txt::kHeadingOf);
    line += Grouped(log.RecordCount(), sep);
    canvas_.PutText(kTextX, y_, line, true);
    y_ += canvas_.HeadingLineHeight() + 2;
    PutLine(ColumnHeading());
    y_ += 4;
}

}  // namespace vadrix
