#include "CompanionWindow.h"

#include "ui/CompanionPlacement.h"

#include <QScreen>

namespace {

// Between the main window and its companion.
constexpr int kGapPixels = 8;

PixelRect InPixels(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

void MoveBesideParent(QWidget& window, const QWidget& parent, const QRect& keepClear) {
    const PixelRect placed = PlaceBeside(InPixels(parent.frameGeometry()), InPixels(keepClear),
                                         window.frameGeometry().width(), window.frameGeometry().height(),
                                         kGapPixels, InPixels(parent.screen()->availableGeometry()));
    window.move(placed.x, placed.y);
}

} // namespace

void ShowBesideParent(QWidget& window, const QWidget& parent, const QRect& keepClear) {
    const bool appearing = !window.isVisible();
    window.show();
    // Placed once shown: before, its size lacked the few pixels that showing it added, and its bottom went
    // off a screen with no room beside the main window.
    if (appearing) {
        MoveBesideParent(window, parent, keepClear);
    }
    window.raise();
    window.activateWindow();
}
