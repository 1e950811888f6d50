// The log view's display logic on a canvas that records what it is told: the log display's
// scroll commands on real logs, and the online display's scrolling and wrapping.

#include "view/LogDisplay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TextIds.h"
#include "core/log/LogFixture.h"

namespace vadrix::testing {
namespace {

class RecordingCanvas : public DisplayCanvas {
  public:
    struct Text {
        int x, y;
        std::string text;
        bool heading;
        std::uint16_t pair;
    };
    int Width() const override { return 800; }
    int Height() const override { return height; }
    int LineHeight() const override { return 10; }
    int HeadingLineHeight() const override { return 12; }
    void SetPair(std::uint16_t p) override { pair = p; }
    void PutText(int x, int y, std::string_view t, bool heading) override {
        texts.push_back({x, y, std::string(t), heading, pair});
    }
    void Fill(int, int, int) override { ++fills; }
    void ScrollUp(int, int, int dy) override { scrolled += dy; }
    std::string LongDate(double) const override { return "Day"; }

    // The plain lines drawn, headings left out.
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const Text& t : texts)
            if (!t.heading) out.push_back(t.text);
        return out;
    }
    std::string Headings() const {
        std::string out;
        for (const Text& t : texts)
            if (t.heading) out += t.text + "\n";
        return out;
    }
    void Forget() {
        texts.clear();
        scrolled = 0;
    }

    int height = 400;
    std::uint16_t pair = 0;
    std::vector<Text> texts;
    int fills = 0;
    int scrolled = 0;
};

class LogDisplayTest : public LogFixture {
  protected:
    void SetUp() override {
        LogFixture::SetUp();
        ctx().settings.Language = 1;
        ASSERT_TRUE(ctx().texts.LoadFile(std::string(VADRIX_SOURCE_DIR) + "/lang/Q5Text.usa").ok());
        ctx().settings.DisplayFormat = 3;
    }
    void UseRing(std::uint32_t blocks) {
        log().Close();
        std::filesystem::remove(file);
        log().SetRingBlocks(blocks);
        ASSERT_TRUE(log().Create());
    }
    void ShowLog() {
        ctx().settings.OnlineDisplay = 0;
        ASSERT_TRUE(log().OpenView());
    }
    // RelSeqNo of the record the cursor rests on after a redraw: the first one drawn.
    std::int64_t TopRecord() {
        return static_cast<std::int64_t>(log().ViewRecord().SeqNo) - log().Directory().OldestSeqNo +
               1;
    }
    void FilterEven() {
        ctx().general.DisplayFilter.FilterOn = 1;
        ctx().general.DisplayFilter.FilterActive = 1;
        log().SetFilterTest(
            [](const TFilterRecord&, const TTelegram& t) { return t.SeqNo % 2 == 0; });
    }

    RecordingCanvas canvas;
    LogDisplay display{*tc, nullptr, canvas};
};

TEST_F(LogDisplayTest, AnEmptyLogShowsTheHeadingAreaAndTheEndOfTheLogOnly) {
    ShowLog();
    EXPECT_EQ(display.Redraw(view_cmd::kEnd, 0), 0);
    EXPECT_EQ(canvas.Lines(), std::vector<std::string>{std::string(ctx().Txt(txt::kEndOfLog))});
}

TEST_F(LogDisplayTest, ThumbAtHalfOfAThousandAndOneRecordsShowsRecord501AndStaysThere) {
    StoreN(1001);
    ShowLog();
    const int at = display.Redraw(view_cmd::kThumb, 500);
    EXPECT_EQ(at, 500);
    EXPECT_NEAR(TopRecord(), 501, 1);
    EXPECT_NE(canvas.Headings().find("telegram 50"), std::string::npos) << canvas.Headings();
    EXPECT_NE(canvas.Headings().find("of 1,001"), std::string::npos) << canvas.Headings();
    // A repaint draws the same page.
    canvas.Forget();
    EXPECT_EQ(display.Redraw(view_cmd::kRepaint, 0), 500);
    EXPECT_NEAR(TopRecord(), 501, 1);
}

TEST_F(LogDisplayTest, ScrollCommandsMoveByTheirCounts) {
    StoreN(2000);
    ShowLog();
    display.Redraw(view_cmd::kHome, 0);
    EXPECT_EQ(TopRecord(), 1);
    const struct {
        int command;
        std::int64_t top;
    } steps[] = {
        {view_cmd::kLineDown, 2},
        {view_cmd::kPageDown, 7},
        {view_cmd::kPageDown + view_cmd::kShift, 57},
        {view_cmd::kPageDown + view_cmd::kCtrl, 557},
        {view_cmd::kPageUp + view_cmd::kShift, 507},
        {view_cmd::kPageUp, 502},
        {view_cmd::kLineUp, 501},
    };
    for (const auto& s : steps) {
        display.Redraw(s.command, 0);
        EXPECT_EQ(TopRecord(), s.top) << s.command;
    }
    // The end shows the newest records down to the end text, which fits below them.
    canvas.Forget();
    EXPECT_EQ(display.Redraw(view_cmd::kEnd, 0) > 990, true);
    EXPECT_EQ(canvas.Lines().back(), std::string(ctx().Txt(txt::kEndOfLog)));
}

TEST_F(LogDisplayTest, ShiftPageMovesFiftyPassingRecordsShiftCtrlFiveThousandOfAll) {
    UseRing(12);
    StoreN(6000);
    FilterEven();
    ShowLog();
    display.Redraw(view_cmd::kHome, 0);
    const std::int64_t home = TopRecord();
    display.Redraw(view_cmd::kPageDown + view_cmd::kShift, 0);
    EXPECT_EQ(TopRecord(), home + 100);  // fifty records that pass, every second one
    display.Redraw(view_cmd::kPageDown + view_cmd::kShiftCtrl, 0);
    // Five thousand records whatever the filter says, then on to one that passes.
    EXPECT_GE(TopRecord(), home + 5100);
    EXPECT_LE(TopRecord(), home + 5101);
}

TEST_F(LogDisplayTest, AViewWhoseBlockWasOverwrittenJumpsToTheEnd) {
    StoreN(kPerBlock * 3);
    ShowLog();
    display.Redraw(view_cmd::kHome, 0);
    // The ring of four blocks wraps over the block the view stands in.
    StoreN(kPerBlock * 2);
    ASSERT_TRUE(log().ViewStale());
    canvas.Forget();
    EXPECT_GT(display.Redraw(view_cmd::kRepaint, 0), 990);
    EXPECT_FALSE(log().ViewStale());
    EXPECT_EQ(canvas.Lines().back(), std::string(ctx().Txt(txt::kEndOfLog)));
}

TEST_F(LogDisplayTest, OnlineDisplayScrollsThePaintedLinesUpWhenTheScreenIsFull) {
    ctx().settings.OnlineDisplay = 1;
    display.DrainOnline();  // nothing queued, nothing asked
    EXPECT_TRUE(canvas.texts.empty());
    display.RequestFullRedraw();
    display.DrainOnline();
    EXPECT_NE(canvas.Headings().find("Online display"), std::string::npos);
    for (int i = 0; i < 60; ++i) {
        TTelegram t = MakeTelegram(kFrame);
        log().Store(t);
        display.DrainOnline();
        EXPECT_LE(display.Y(), canvas.height) << i;
    }
    EXPECT_GT(canvas.scrolled, 0);
}

TEST_F(LogDisplayTest, WrapModeDrawsSevenLinesBelowAMarkerThatMovesOn) {
    ctx().settings.OnlineDisplay = 1;
    display.scrolling = false;
    // A long frame in a format that lists its bytes has more than seven lines.
    TTelegram t = MakeTelegram(200);
    LineGenerator gen(ctx(), nullptr);
    int lines = 0;
    for (int f = 2; f <= 8 && lines < 8; ++f) {
        ctx().settings.DisplayFormat = f;
        lines = gen.LineCount(SettingsFromContext(ctx()), t);
    }
    ASSERT_GE(lines, 8) << "the record must have an eighth line";
    display.RequestFullRedraw();
    display.DrainOnline();
    const int top = display.Top();

    canvas.Forget();
    log().Store(t);
    display.DrainOnline();
    EXPECT_EQ(display.MarkerY(), top);
    const std::string marker(8, ' ');
    int textLines = 0;
    for (const auto& x : canvas.texts)
        if (x.text != marker) ++textLines;
    EXPECT_EQ(textLines, LogDisplay::kWrapLines);
    EXPECT_EQ(canvas.texts.front().text, marker);
    EXPECT_EQ(canvas.texts.front().pair >> 8, LogDisplay::kMarkerColour);

    canvas.Forget();
    log().Store(t);
    display.DrainOnline();
    EXPECT_EQ(display.MarkerY(), top + (LogDisplay::kWrapLines + 1) * 10);
    // The old marker is blanked in the heading colours first.
    EXPECT_EQ(canvas.texts.front().text, marker);
    EXPECT_EQ(canvas.texts.front().y, top);
    EXPECT_NE(canvas.texts.front().pair >> 8, LogDisplay::kMarkerColour);
}

}  // namespace
}  // namespace vadrix::testing
