#pragma once

#include "ui/res/resource.h"

#include <array>

// The controls of the main window that paint themselves, in the order the Windows front end attaches
// them: frame, status line, local-time line, version line and the two lamp captions.
inline constexpr std::array<int, 6> kStatusTextIds = {IDC_STATUS_FRAME,    IDC_STATUS_LINE,
                                                      IDC_LOCAL_TIME_LINE, IDC_VERSION_LINE,
                                                      IDC_GPS_CAPTION,     IDC_TIME_SYNC_CAPTION};
// The only one of them with a frame: the white box the lines, lamps and captions sit on.
inline constexpr int kFramedStatusTextId = IDC_STATUS_FRAME;
