#pragma once

#include "resources/resource.h"

#include <array>
#include <utility>

// The names a screen reader gives the main window's edits, which have no text of their own to be named
// by: what their labels say (the device's address has none).
inline constexpr std::array kMainAccessibleNames = {
    std::pair{IDC_DEVICE_ADDRESS, IDS_NAME_DEVICE_ADDRESS}, std::pair{IDC_NEW_IP_ADDRESS, IDS_IP_ADDRESS},
    std::pair{IDC_NEW_SUBNET_MASK, IDS_SUBNET_MASK}, std::pair{IDC_NEW_GATEWAY, IDS_GATEWAY}};
