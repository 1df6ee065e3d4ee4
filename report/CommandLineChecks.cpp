#include "CommandLineChecks.h"

#include "devicetext/DeviceText.h"
#include "fleet/DeviceProbe.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kShortestReadingSeconds = std::chrono::duration<double>(kShortestReadingLimit).count();
// Longer than any run is meant to wait, and small enough for the millisecond arithmetic.
constexpr double kLongestWait = 86400;

std::string Quoted(std::string_view text) {
    return "'" + OutsideText(text, kLongestEcho) + "'";
}

} // namespace

// A number within [minimum, maximum], and whole when asked. Checked on the text, before CLI11 converts
// it: NaN compares false with every bound, and infinities and huge values overflow the time arithmetic.
CLI::Validator NumberWithin(double minimum, double maximum, bool whole) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value = 0;
            const char* end = text.data() + text.size();
            std::from_chars_result result{};
            if (whole) {
                long long integer = 0;
                result = std::from_chars(text.data(), end, integer);
                value = static_cast<double>(integer);
            } else {
                result = std::from_chars(text.data(), end, value);
            }
            if (result.ec == std::errc() && result.ptr == end && std::isfinite(value) && value >= minimum &&
                value <= maximum) {
                return "";
            }
            char range[64];
            std::snprintf(range, sizeof range, " from %g to %g, not ", minimum, maximum);
            return std::string(whole ? "takes a whole number" : "takes a number") + range + Quoted(text);
        },
        "");
}

std::string ReadingTimes() {
    char text[48];
    std::snprintf(text, sizeof text, "%g to %g", kShortestReadingSeconds, kLongestWait);
    return text;
}

std::string DefaultReadingTime() {
    char text[160];
    std::snprintf(text, sizeof text,
                  "default %g: enough for a device 1 s away over telnet, or on a link that delivers a byte "
                  "every 20 ms",
                  std::chrono::duration<double>(kDefaultReadingLimit).count());
    return text;
}

CLI::Validator ReadingTime() {
    return CLI::Validator(
        [within = NumberWithin(kShortestReadingSeconds, kLongestWait)](std::string& text) -> std::string {
            const std::string refusal = within(text);
            return refusal.empty() ? ""
                                   : refusal + " (the device takes one command a second, and a reading over "
                                               "telnet needs five: a healthy device may take that long)";
        },
        "");
}
