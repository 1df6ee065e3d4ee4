#include "DebugEcho.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool IsDebugOutputEnabled() {
    // Read once: the environment is not meant to change while the program runs, and getenv is not
    // safe against a concurrent setenv.
    static const bool enabled = [] {
        const char* value = std::getenv("VANTREX_DEBUG");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

} // namespace

void EchoDebugLine(const char* text) {
    if (text == nullptr || !IsDebugOutputEnabled()) {
        return;
    }
    std::string line(text);
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    // One write per call keeps lines from several threads apart.
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
}
