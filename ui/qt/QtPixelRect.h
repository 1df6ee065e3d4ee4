#pragma once

#include "resources/DialogUnits.h"

#include <QRect>

// A rectangle of the shared layout and paint plans, as Qt paints it.
inline QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.x, rect.y, rect.width, rect.height);
}
