#include "Noise.h"

#include <string_view>

namespace {

constexpr std::string_view kBurst{"\0\x01\x1b[0m~%\x07\x7f\0", 11};

} // namespace

std::string AddNoise(const std::string& answer) {
    std::string noisy;
    bool atLineStart = true;
    for (const char c : answer) {
        if (atLineStart && c != '\r' && c != '\n') {
            noisy += kBurst;
        }
        noisy += c;
        atLineStart = c == '\n';
    }
    return noisy;
}
