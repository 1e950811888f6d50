#include "gui/app/Q5StatusBar.h"

#include <QApplication>
#include <QLabel>

#include "app/Context.h"

namespace vadrix {

QColor ColourFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

Q5StatusBar::Q5StatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName("stbrMain");
    setSizeGripEnabled(false);
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString("stbrMainPanel%1").arg(i));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setContentsMargins(kPanelTextLeft, kPanelTextTop, 0, 0);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i] = label;
        // The last panel takes the room that is left.
        if (i + 1 < kStatusPanels)
            addWidget(label);
        else
            addWidget(label, 1);
    }
}

void Q5StatusBar::Bind(Context& ctx) {
    ctx_ = &ctx;
    RefreshAll();
}

void Q5StatusBar::RefreshAll() {
    for (int i = 0; i < kStatusPanels; ++i) RefreshPanel(i);
}

void Q5StatusBar::RefreshPanel(int panel) {
    if (!ctx_ || panel < 0 || panel >= kStatusPanels) return;
    const StatusPanel p = StatusBarPanel(*ctx_, panel);
    QLabel* label = panels_[panel];
    label->setText(QString::fromStdString(p.text));
    label->setMinimumWidth(p.widthPx);
    if (panel + 1 < kStatusPanels) label->setFixedWidth(p.widthPx);
    QPalette pal = palette();
    if (p.ownerDrawn) {
        // Drawn panels sit on the menu colours unless they show a state of their own.
        const QPalette menu = QApplication::palette("QMenu");
        pal.setColor(QPalette::Window,
                     p.background ? ColourFromBgr(*p.background) : menu.color(QPalette::Window));
        pal.setColor(QPalette::WindowText, p.foreground ? ColourFromBgr(*p.foreground)
                                                        : menu.color(QPalette::WindowText));
    }
    label->setAutoFillBackground(p.ownerDrawn);
    label->setPalette(pal);
}

QLabel* Q5StatusBar::Panel(int panel) const {
    return panel >= 0 && panel < kStatusPanels ? panels_[panel] : nullptr;
}

}  // namespace vadrix
