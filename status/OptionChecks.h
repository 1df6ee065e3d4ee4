#pragma once

#include "devicetext/DeviceText.h"
#include "fleet/FleetRun.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command-line checks and texts that the programs over the status library share (OutsideText among
// them, from the link's device text).

// A number within [minimum, maximum], and whole when asked, checked on the text before CLI11 converts it.
CLI::Validator NumberWithin(double minimum, double maximum, bool whole = false);

// "8 to 86400": the seconds a device's reading or a whole run may be given.
std::string ReadingTimes();
// Such a time, none shorter than a healthy device takes to be read (kShortestReadingLimit); a shorter
// one is refused with that reason.
CLI::Validator ReadingTime();

// The devices of an address file as --from reads it (at most 4 MiB, one a line, '#' comments, each once);
// nullopt with the reason in message.
std::optional<std::vector<DeviceAddress>> ReadDeviceFile(const std::string& path, std::string& message);
