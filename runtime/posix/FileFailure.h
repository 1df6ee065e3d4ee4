#pragma once

#include <cstring>
#include <string>

// "cannot WHAT 'PATH': the system's words for code", as the file functions report a failure.
inline std::string FileFailure(const std::string& what, const std::string& path, int code) {
    return "cannot " + what + " '" + path + "': " + std::strerror(code);
}
