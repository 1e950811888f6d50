#pragma once
// The main window's tool bar images, drawn by the program: the four LEDs (20 x 19) and the
// online and display buttons (30 x 19).

#include <QIcon>

namespace vadrix {

inline constexpr int kLedWidth = 20;
inline constexpr int kLedHeight = 19;
inline constexpr int kButtonWidth = 30;
inline constexpr int kButtonHeight = 19;

enum class LedColour { kOff, kReceive, kTransmit };

QIcon LedIcon(LedColour colour);
// A plug, joined while online and apart while offline.
QIcon OnlineIcon(bool online);
// A screen with lines: scrolling lines for the online display, a page with a bar for the
// log display.
QIcon DisplayIcon(bool onlineDisplay);

}  // namespace vadrix
