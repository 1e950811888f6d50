#pragma once
// The program's colour table: indices 1 to 14 are fixed colours, 15 to 19 the desktop's
// window, window text, menu, active and inactive caption colours.

#include <QColor>
#include <QPalette>

namespace vadrix {

inline constexpr int kColourCount = 19;

QColor TableColour(int index, const QPalette& palette);

}  // namespace vadrix
