#pragma once

#include <QRect>
#include <QWidget>

// Moves window, shown and keeping its size, beside parent, clear of keepClear (a part of parent, on the
// screen), inside the work area of parent's screen (PlaceBeside).
void MoveBesideParent(QWidget& window, const QWidget& parent, const QRect& keepClear);
