#pragma once

#include <QRect>
#include <QWidget>

// Shows window and brings it to the front; a window that was hidden is first moved, keeping its size,
// beside parent, clear of keepClear (a part of parent, on the screen), inside the work area of parent's
// screen (PlaceBeside).
void ShowBesideParent(QWidget& window, const QWidget& parent, const QRect& keepClear);
