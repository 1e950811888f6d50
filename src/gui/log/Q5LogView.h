#pragma once
// The log view of the main window: the online display and the log display painted as text
// lines in a fixed-pitch font, with the log scroll bar scbrLog. The display logic lives in
// core; this widget is its canvas and forwards keys and scroll bar events as commands.

#include <QFont>
#include <QImage>
#include <QWidget>
#include <memory>

#include "view/LogDisplay.h"

class QScrollBar;

namespace vadrix {

class Descriptions;

class TLogView : public QWidget, public DisplayCanvas {
    Q_OBJECT
  public:
    TLogView(Context& ctx, const Descriptions* descriptions, QWidget* parent = nullptr);
    ~TLogView() override;

    QScrollBar* ScrollBar() const { return scbrLog_; }
    void ShowOnlineDisplay();
    void ShowLogDisplay();
    bool IsOnlineDisplay() const { return display_->OnlineDisplay(); }
    // Every timer tick: pending online records.
    void Tick();
    // Format, time column, filter or log changed.
    void Redraw();
    void ClearOnline();
    // The font size of the settings (8..16, else 10).
    void ApplyFont();
    // After a log was opened or saved: the view on the new file, at its end.
    void PrepareLog();
    // A scroll key; false when it is none.
    bool KeyCommand(QKeyEvent* event);
    LogDisplay& Display() { return *display_; }
    const QImage& Image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    // The canvas.
    int Width() const override;
    int Height() const override;
    int LineHeight() const override;
    int HeadingLineHeight() const override;
    void SetPair(std::uint16_t pair) override;
    void PutText(int x, int y, std::string_view text, bool heading) override;
    void Fill(int top, int bottom, int colour) override;
    void ScrollUp(int top, int bottom, int dy) override;
    std::string LongDate(double time) const override;

    void Command(int command, int position = 0);
    void OnScrollAction(int action);
    void Layout();
    QColor Colour(int index) const;

    Context& ctx_;
    std::unique_ptr<LogDisplay> display_;
    QScrollBar* scbrLog_ = nullptr;
    QImage image_;
    QFont font_;
    QFont headingFont_;
    int lineHeight_ = 1;
    int headingLineHeight_ = 1;
    QColor text_;
    QColor background_;
};

}  // namespace vadrix
