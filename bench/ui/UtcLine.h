#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The device second that a status line shows as its UTC time line ("HH:MM:SS    DD Month YYYY    UTC"),
// as seconds since 1970-01-01 UTC; nullopt for any other text.
std::optional<std::int64_t> ShownUtcSeconds(const std::string& statusLine);
