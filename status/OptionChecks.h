#pragma once

#include "FleetRun.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command-line checks and texts that the programs over the status library share.

// A number within [minimum, maximum], and whole when asked, checked on the text before CLI11 converts it.
CLI::Validator NumberWithin(double minimum, double maximum, bool whole = false);

// Text from outside, fit for a message or a log line: its first `limit` bytes (not ending within a UTF-8
// sequence), escaped as device text is, with "…" when cut.
std::string OutsideText(std::string_view text, std::size_t limit);

// The devices of an address file as --from reads it (at most 4 MiB, one a line, '#' comments, each once);
// nullopt with the reason in message.
std::optional<std::vector<DeviceAddress>> ReadDeviceFile(const std::string& path, std::string& message);
