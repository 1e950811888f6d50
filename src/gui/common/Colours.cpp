#include "gui/common/Colours.h"

#include <array>

namespace vadrix {

namespace {

constexpr std::array<QRgb, 14> kFixedColours{
    qRgb(0, 0, 0),       qRgb(0, 0, 255),     qRgb(255, 0, 0),     qRgb(0, 192, 0),
    qRgb(255, 255, 0),   qRgb(0, 255, 255),   qRgb(192, 0, 192),   qRgb(255, 255, 255),
    qRgb(128, 128, 128), qRgb(214, 214, 214), qRgb(208, 220, 255), qRgb(255, 211, 211),
    qRgb(214, 250, 198), qRgb(255, 255, 183)};

}  // namespace

QColor TableColour(int index, const QPalette& pal) {
    if (index >= 1 && index <= static_cast<int>(kFixedColours.size()))
        return QColor(kFixedColours[static_cast<std::size_t>(index - 1)]);
    switch (index) {
        case 16:
            return pal.color(QPalette::Text);
        case 17:
            return pal.color(QPalette::Button);
        case 18:
            return pal.color(QPalette::Highlight);
        case 19:
            return pal.color(QPalette::Mid);
        default:
            return pal.color(QPalette::Base);  // 15, the window colour
    }
}

}  // namespace vadrix
