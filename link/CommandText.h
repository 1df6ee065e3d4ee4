#pragma once

#include <cstddef>

// The length of a command that snprintf formatted into a buffer of size bytes, or 0 when formatting
// failed or the command was cut short: a cut command must never reach the device.
inline int CommandLength(int formatted, std::size_t size) {
    return formatted >= 0 && static_cast<std::size_t>(formatted) < size ? formatted : 0;
}
