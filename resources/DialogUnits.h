#pragma once

#include "resources/DialogTemplates.h"

// Dialog units to pixels for templates in the dialog font (MS Sans Serif 8 pt): 4 x 8 dialog units
// are 6 x 13 pixels at 96 dpi, and scale with the screen's dpi.

inline constexpr int kDefaultDpi = 96;

// A rectangle in pixels.
struct PixelRect {
    int x;
    int y;
    int width;
    int height;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// number * numerator / denominator rounded to nearest, halves away from zero; -1 when denominator is 0
// or the result does not fit in an int: the rule of Windows' MulDiv, named apart so both can be in scope.
int RoundedMulDiv(int number, int numerator, int denominator);
// Horizontal dialog units to pixels at dpi (outside 1..9600 counts as 96).
int DialogUnitsToPixelsX(int units, int dpi);
// Vertical dialog units to pixels at dpi (outside 1..9600 counts as 96).
int DialogUnitsToPixelsY(int units, int dpi);
// A template rectangle in pixels: each of position and size converted on its own, as dialogs do.
PixelRect DialogRectToPixels(const DialogRect& rect, int dpi);
