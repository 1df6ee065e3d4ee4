#include "DebugEcho.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsDebugOutputEnabled() {
    // Read once: the environment is not meant to change while the program runs, and getenv is not
    // safe against a concurrent setenv.
    static const bool enabled = IsDebugSetting(std::getenv("VANTREX_DEBUG"));
    return enabled;
}

} // namespace

bool IsDebugSetting(const char* value) {
    return value != nullptr && std::strcmp(value, "1") == 0;
}

std::string DebugLine(const char* text) {
    std::string line(text);
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    return line;
}

void EchoDebugLine(const char* text) {
    if (text == nullptr || !IsDebugOutputEnabled()) {
        return;
    }
    const std::string line = DebugLine(text);
    // One write per call keeps lines from several threads apart.
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
}
