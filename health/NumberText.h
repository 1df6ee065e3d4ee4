#pragma once

#include <cstdio>
#include <string>

// value as the printf format with one floating-point conversion shows it ("%.3f s"); at most 63 bytes.
inline std::string FormatNumber(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
