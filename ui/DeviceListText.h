#pragma once

#include "fleet/DeviceList.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A device of the window's list as it is kept across runs.
struct KeptDevice {
    std::string address;
    std::string name;

    friend bool operator==(const KeptDevice&, const KeptDevice&) = default;
};

// The most devices the window lists.
inline constexpr std::size_t kMostListedDevices = 65536;

// The addresses the user typed: dotted addresses and ranges ("192.168.1.10-20", "192.168.1.10-192.168.1.20",
// "192.168.1.0/24"), separated by spaces, commas or semicolons, each once, in the order typed; nullopt
// with the reason in refusal when one is neither, or when they are more than kMostListedDevices.
std::optional<std::vector<DeviceAddress>> TypedDevices(std::string_view text, std::string& refusal);

// A name as the user typed it, as the list keeps it: one line of valid UTF-8, within 64 bytes.
std::string DeviceName(std::string_view typed);

// The list as one text for the settings store: a line per device, its address, a tab and its name.
std::string KeptDevicesText(const std::vector<KeptDevice>& devices);
// The list a settings store kept; what cannot be read (no dotted address, a name not UTF-8) is skipped,
// and each address is taken once.
std::vector<KeptDevice> ReadKeptDevices(std::string_view text);
