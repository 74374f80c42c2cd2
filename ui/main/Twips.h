#pragma once
// Layout positions are kept in twips (1/1440 inch); on screen they follow the
// screen's logical resolution, 15 twips a pixel at 96 dpi.

#include <QRect>
#include <QWidget>

#include "ui/main/MainModel.h"

namespace ui {

inline int TwipsToPixels(int twips, const QWidget& widget) {
    constexpr int TwipsPerInch = 1440;
    return (twips * widget.logicalDpiY() + TwipsPerInch / 2) / TwipsPerInch;
}

inline QRect ToPixels(const Rect& r, const QWidget& widget) {
    return {TwipsToPixels(r.left, widget), TwipsToPixels(r.top, widget), TwipsToPixels(r.width, widget),
            TwipsToPixels(r.height, widget)};
}

}  // namespace ui
