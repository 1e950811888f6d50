#include "gui/app/MainImages.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace vadrix {
namespace {

QPixmap Blank(int w, int h) {
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

QIcon DrawLed(LedColour colour) {
    QPixmap p = Blank(kLedWidth, kLedHeight);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    QColor fill(0x60, 0x60, 0x60);
    if (colour == LedColour::kReceive) fill = QColor(0x20, 0xE0, 0x20);
    if (colour == LedColour::kTransmit) fill = QColor(0xF0, 0x30, 0x20);
    QRadialGradient shine(QPointF(8, 7), 8);
    shine.setColorAt(0, fill.lighter(170));
    shine.setColorAt(1, fill);
    g.setBrush(shine);
    g.setPen(QPen(Qt::black, 1));
    g.drawEllipse(QRectF(3.5, 3, 13, 13));
    return QIcon(p);
}

}  // namespace

// The lamps change with every telegram: each colour is drawn once.
QIcon LedIcon(LedColour colour) {
    // Kept for the life of the process: pixmaps must not outlive the application object.
    static const auto* icons = new std::array<QIcon, 3>{
        DrawLed(LedColour::kOff), DrawLed(LedColour::kReceive), DrawLed(LedColour::kTransmit)};
    return (*icons)[static_cast<std::size_t>(colour)];
}

QIcon OnlineIcon(bool online) {
    QPixmap p = Blank(kButtonWidth, kButtonHeight);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const QColor colour = online ? QColor(0x10, 0x90, 0x10) : QColor(0xB0, 0x20, 0x20);
    g.setPen(QPen(colour, 2));
    g.setBrush(colour);
    const int gap = online ? 0 : 6;
    // Plug on the left, socket on the right; apart by the gap while offline.
    g.drawRect(QRectF(5, 6, 8 - gap / 2.0, 7));
    g.drawLine(QPointF(1, 9.5), QPointF(5, 9.5));
    g.drawLine(QPointF(13 - gap / 2.0, 7.5), QPointF(16 - gap / 2.0, 7.5));
    g.drawLine(QPointF(13 - gap / 2.0, 11.5), QPointF(16 - gap / 2.0, 11.5));
    g.drawRect(QRectF(16 + gap / 2.0, 5, 8, 9));
    g.drawLine(QPointF(24 + gap / 2.0, 9.5), QPointF(29, 9.5));
    return QIcon(p);
}

QIcon DisplayIcon(bool onlineDisplay) {
    QPixmap p = Blank(kButtonWidth, kButtonHeight);
    QPainter g(&p);
    g.setPen(QPen(Qt::black, 1));
    g.setBrush(Qt::white);
    g.drawRect(6, 1, 18, 16);
    g.setPen(QPen(onlineDisplay ? QColor(0x10, 0x60, 0xC0) : QColor(0x40, 0x40, 0x40), 1));
    for (int y = 4; y <= 14; y += 3) g.drawLine(8, y, onlineDisplay ? 20 : 18, y);
    if (onlineDisplay) {
        // An arrow: new lines come in at the bottom.
        g.drawLine(22, 4, 22, 14);
        g.drawLine(20, 12, 22, 14);
    } else {
        g.fillRect(20, 3, 3, 13, QColor(0xA0, 0xA0, 0xA0));
        g.fillRect(20, 7, 3, 4, QColor(0x30, 0x30, 0x30));
    }
    return QIcon(p);
}

}  // namespace vadrix
