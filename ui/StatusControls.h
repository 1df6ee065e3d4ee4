#pragma once

#include "resources/resource.h"

#include <array>

// The controls of the main window that paint themselves, in the order the Windows front end attaches
// them: frame, status line, local-time line, version line, the two lamp captions and the leap line.
inline constexpr std::array<int, 7> kStatusTextIds = {
    IDC_STATUS_FRAME, IDC_STATUS_LINE,       IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE,
    IDC_GPS_CAPTION,  IDC_TIME_SYNC_CAPTION, IDC_LEAP_LINE};
// The only one of them with a frame: the white box the lines, lamps and captions sit on.
inline constexpr int kFramedStatusTextId = IDC_STATUS_FRAME;
