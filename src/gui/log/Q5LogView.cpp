#include "gui/log/Q5LogView.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <array>

#include "common/TextTable.h"
#include "gui/common/Colours.h"
#include "gui/common/QtText.h"

namespace vadrix {
namespace {

constexpr int kDefaultFontSize = 10;
constexpr char kSample[] = "ABCQgj01234567890";

// The scroll command of a key, 0 for none.
int KeyCommandOf(int key, Qt::KeyboardModifiers mods) {
    const bool ctrl = (mods & Qt::ControlModifier) != 0;
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    const int page = shift && ctrl ? view_cmd::kShiftCtrl
                     : shift       ? view_cmd::kShift
                     : ctrl        ? view_cmd::kCtrl
                                   : 0;
    switch (key) {
        case Qt::Key_Up:
            return view_cmd::kLineUp;
        case Qt::Key_Down:
            return view_cmd::kLineDown;
        case Qt::Key_PageUp:
            return view_cmd::kPageUp + page;
        case Qt::Key_PageDown:
            return view_cmd::kPageDown + page;
        case Qt::Key_Home:
            return view_cmd::kHome;
        case Qt::Key_End:
            return view_cmd::kEnd;
        default:
            return 0;
    }
}

}  // namespace

TLogView::TLogView(Context& ctx, const Descriptions* descriptions, QWidget* parent)
    : QWidget(parent), ctx_(ctx), display_(std::make_unique<LogDisplay>(ctx, descriptions, *this)) {
    setObjectName("LogView");
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    scbrLog_ = new QScrollBar(Qt::Vertical, this);
    scbrLog_->setObjectName("scbrLog");
    scbrLog_->setRange(0, 1000);
    scbrLog_->setPageStep(0);
    scbrLog_->setValue(1000);
    connect(scbrLog_, &QScrollBar::actionTriggered, this, &TLogView::OnScrollAction);
    Layout();
    display_->timing = ctx_.run.DisplayTiming;
    display_->msNow = [] {
        return static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch());
    };
    if (!display_->OnlineDisplay()) ctx_.log.OpenView();
    ApplyFont();
}

TLogView::~TLogView() = default;

// ---------------------------------------------------------------------------------------
// What the main window calls

void TLogView::ApplyFont() {
    int size = ctx_.settings.View.FontSize;
    if (size < 8 || size > 16) size = kDefaultFontSize;
    font_ = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font_.setPointSize(size);
    headingFont_ = font_;
    headingFont_.setPointSize(size + 1);
    headingFont_.setBold(true);
    lineHeight_ = std::max(1, QFontMetrics(font_).boundingRect(kSample).height());
    headingLineHeight_ = std::max(1, QFontMetrics(headingFont_).boundingRect(kSample).height());
    Redraw();
}

void TLogView::ShowOnlineDisplay() {
    display_->SwitchToOnline();
    Layout();
    Tick();
}

void TLogView::ShowLogDisplay() {
    display_->SwitchToLog();
    Layout();
    Command(view_cmd::kEnd);
    scbrLog_->setFocus();
}

void TLogView::Tick() {
    display_->scrolling = ctx_.settings.Option(TSettings::kOptScrollOnline);
    display_->DrainOnline();
    update();
}

void TLogView::Redraw() {
    if (display_->OnlineDisplay()) {
        display_->RequestFullRedraw();
        Tick();
    } else {
        Command(view_cmd::kRepaint);
    }
}

void TLogView::ClearOnline() {
    display_->ClearOnline();
    Tick();
}

void TLogView::PrepareLog() {
    ctx_.log.CloseView();
    if (!display_->OnlineDisplay()) ctx_.log.OpenView();
    Command(view_cmd::kEnd);
}

bool TLogView::KeyCommand(QKeyEvent* event) {
    const int command = KeyCommandOf(event->key(), event->modifiers());
    if (command == 0 || display_->OnlineDisplay()) return false;
    Command(command);
    return true;
}

void TLogView::Command(int command, int position) {
    const int at = display_->Redraw(command, position);
    if (!display_->OnlineDisplay()) {
        const QSignalBlocker quiet(scbrLog_);
        scbrLog_->setValue(at);
    }
    update();
}

void TLogView::OnScrollAction(int action) {
    const Qt::KeyboardModifiers mods = QApplication::keyboardModifiers();
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            Command(view_cmd::kLineUp);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            Command(view_cmd::kLineDown);
            break;
        case QAbstractSlider::SliderPageStepSub:
            Command(KeyCommandOf(Qt::Key_PageUp, mods));
            break;
        case QAbstractSlider::SliderPageStepAdd:
            Command(KeyCommandOf(Qt::Key_PageDown, mods));
            break;
        case QAbstractSlider::SliderToMinimum:
            Command(view_cmd::kHome);
            break;
        case QAbstractSlider::SliderToMaximum:
            Command(view_cmd::kEnd);
            break;
        case QAbstractSlider::SliderMove:
            Command(view_cmd::kThumb, scbrLog_->sliderPosition());
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------
// Qt events

void TLogView::Layout() {
    const bool log = !display_->OnlineDisplay();
    scbrLog_->setVisible(log);
    const int barWidth = log ? scbrLog_->sizeHint().width() : 0;
    scbrLog_->setGeometry(width() - barWidth, 0, barWidth, height());
    const QSize canvas(std::max(1, width() - barWidth), std::max(1, height()));
    if (image_.size() != canvas) {
        image_ = QImage(canvas, QImage::Format_RGB32);
        image_.fill(Colour(15));
    }
}

void TLogView::resizeEvent(QResizeEvent*) {
    Layout();
    Redraw();
}

void TLogView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void TLogView::keyPressEvent(QKeyEvent* event) {
    if (!KeyCommand(event)) QWidget::keyPressEvent(event);
}

void TLogView::wheelEvent(QWheelEvent* event) {
    if (display_->OnlineDisplay()) return;
    const int steps = event->angleDelta().y() / 120;
    for (int i = 0; i < std::abs(steps); ++i)
        Command(steps > 0 ? view_cmd::kLineUp : view_cmd::kLineDown);
}

// ---------------------------------------------------------------------------------------
// The canvas

int TLogView::Width() const {
    return image_.width();
}

int TLogView::Height() const {
    return image_.height();
}

int TLogView::LineHeight() const {
    return lineHeight_;
}

int TLogView::HeadingLineHeight() const {
    return headingLineHeight_;
}

QColor TLogView::Colour(int index) const {
    return TableColour(index, palette());
}

void TLogView::SetPair(std::uint16_t pair) {
    text_ = Colour(pair & 0xFF);
    background_ = Colour(pair >> 8);
}

void TLogView::PutText(int x, int y, std::string_view text, bool heading) {
    QPainter p(&image_);
    const QFont& f = heading ? headingFont_ : font_;
    p.setFont(f);
    const QString s = FromCp1252(text);
    const QFontMetrics fm(f);
    const int h = heading ? headingLineHeight_ : lineHeight_;
    p.fillRect(QRect(x, y, fm.horizontalAdvance(s), h), background_);
    p.setPen(text_);
    p.drawText(QPoint(x, y + fm.ascent()), s);
}

void TLogView::Fill(int top, int bottom, int colour) {
    if (bottom <= top) return;
    QPainter p(&image_);
    p.fillRect(QRect(0, top, image_.width(), bottom - top), Colour(colour));
}

void TLogView::ScrollUp(int top, int bottom, int dy) {
    if (dy <= 0 || bottom - top <= dy) return;
    // Moves the painted lines instead of formatting them again.
    const int bpl = static_cast<int>(image_.bytesPerLine());
    uchar* bits = image_.bits();
    std::memmove(bits + static_cast<std::ptrdiff_t>(top) * bpl,
                 bits + static_cast<std::ptrdiff_t>(top + dy) * bpl,
                 static_cast<std::size_t>(bottom - top - dy) * static_cast<std::size_t>(bpl));
}

std::string TLogView::LongDate(double time) const {
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(time)));
    const QLocale locale(ctx_.settings.Language == 0 ? QLocale::German : QLocale::English);
    return Utf8ToCp1252(locale.toString(date, QLocale::LongFormat).toStdString());
}

}  // namespace vadrix
