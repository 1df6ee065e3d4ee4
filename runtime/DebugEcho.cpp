#include "DebugEcho.h"
#include "DebugOutput.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<bool>& EchoSwitch() {
    // Read once: the environment is not meant to change while the program runs, and getenv is not
    // safe against a concurrent setenv.
    static std::atomic<bool> enabled{IsDebugSetting(std::getenv("VANTREX_DEBUG"))};
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

void EnableDebugOutput() {
    EchoSwitch().store(true, std::memory_order_relaxed);
}

void EchoDebugLine(const char* text) {
    if (text == nullptr || !EchoSwitch().load(std::memory_order_relaxed)) {
        return;
    }
    const std::string line = DebugLine(text);
    // One write per call keeps lines from several threads apart.
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
}
