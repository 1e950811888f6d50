#pragma once
// stbrMain: the main window's status bar with its six panels (online state, display, log
// filter, display filter, log file, object descriptions) in the texts and colours core gives.

#include <QColor>
#include <QStatusBar>
#include <array>

#include "app/StatusDisplay.h"

class QLabel;

namespace vadrix {

struct Context;

class Q5StatusBar : public QStatusBar {
    Q_OBJECT

  public:
    explicit Q5StatusBar(QWidget* parent = nullptr);

    void Bind(Context& ctx);
    void RefreshAll();
    void RefreshPanel(int panel);

    QLabel* Panel(int panel) const;

  private:
    Context* ctx_ = nullptr;
    std::array<QLabel*, kStatusPanels> panels_{};
};

// 0x00BBGGRR as the colour tables store it.
QColor ColourFromBgr(std::uint32_t bgr);

}  // namespace vadrix
