#pragma once

#include "resources/resource.h"

#include <array>
#include <cstddef>

// A font some controls take instead of the dialog's own.
struct ControlFont {
    const char* family;
    int points;
    bool bold;
};

// The fonts, by index: large and bold for what is read from afar, small for the firmware version and a
// leap second announced.
inline constexpr std::array<ControlFont, 2> kControlFonts = {{{"Arial", 13, true}, {"Arial", 8, false}}};

// Which control takes which of kControlFonts.
struct ControlFontUse {
    int controlId;
    std::size_t font;
};

inline constexpr std::array<ControlFontUse, 6> kControlFontUses = {{{IDC_STATUS_LINE, 0},
                                                                    {IDC_LOCAL_TIME_LINE, 0},
                                                                    {IDC_GPS_CAPTION, 0},
                                                                    {IDC_TIME_SYNC_CAPTION, 0},
                                                                    {IDC_VERSION_LINE, 1},
                                                                    {IDC_LEAP_LINE, 1}}};
