#pragma once
// Layout positions are kept in twips (1/1440 inch); on screen they follow the
// screen's logical resolution, 15 twips a pixel at 96 dpi.

#include <QWidget>

namespace ui {

inline int TwipsToPixels(int twips, const QWidget& widget) {
    constexpr int TwipsPerInch = 1440;
    return (twips * widget.logicalDpiY() + TwipsPerInch / 2) / TwipsPerInch;
}

}  // namespace ui
