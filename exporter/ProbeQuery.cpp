#include "ProbeQuery.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

using Parameters = std::multimap<std::string, std::string>;

// The scraper's answer must still travel back within its limit.
constexpr double kAnswerMargin = 0.5;

// Why a query cannot be probed.
struct Refusal {
    std::string reason;
};

Refusal Refused(const std::string& name, const std::string& value, const char* expected) {
    return {name + " takes " + expected + ", not '" + OutsideText(value, kLongestEcho) + "'"};
}

// The one value of name; nullopt when absent; refused when given twice.
std::optional<std::string> OneValue(const Parameters& parameters, const std::string& name) {
    const auto [first, last] = parameters.equal_range(name);
    if (first == last) {
        return std::nullopt;
    }
    if (std::next(first) != last) {
        throw Refusal{name + " is given more than once"};
    }
    return first->second;
}

std::optional<double> Number(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

DeviceAddress Target(const Parameters& parameters) {
    const std::optional<std::string> text = OneValue(parameters, "target");
    if (!text) {
        throw Refusal{"target is missing"};
    }
    std::string refusal;
    const std::optional<Octets> octets = ParseDeviceAddress(*text, refusal);
    if (!octets) {
        throw Refused("target", *text, kDeviceAddressExpected);
    }
    return {FormatDottedAddress(*octets), AddressValue(*octets)};
}

void ApplyNtp(const Parameters& parameters, ProbeSettings& probe) {
    if (const std::optional<std::string> port = OneValue(parameters, "ntp_port")) {
        const std::optional<double> value = Number(*port);
        if (!value || *value < 1 || *value > 65535 || *value != std::floor(*value)) {
            throw Refused("ntp_port", *port, "a port from 1 to 65535");
        }
        probe.ntpPort = static_cast<unsigned short>(*value);
    }
    if (const std::optional<std::string> noNtp = OneValue(parameters, "no_ntp")) {
        if (*noNtp != "0" && *noNtp != "1") {
            throw Refused("no_ntp", *noNtp, "0 or 1");
        }
        probe.ntp = *noNtp == "0";
    }
}

std::chrono::milliseconds Limit(const std::optional<std::string>& scrapeTimeout,
                                const ProbeSettings& defaults) {
    if (!scrapeTimeout) {
        return defaults.timeout;
    }
    const std::optional<double> seconds = Number(*scrapeTimeout);
    if (!seconds || *seconds <= 0) {
        throw Refused("X-Prometheus-Scrape-Timeout-Seconds", *scrapeTimeout, "a number of seconds above 0");
    }
    const double limit = std::min(*seconds - kAnswerMargin, kLongestProbeSeconds);
    if (limit < kShortestProbeSeconds) {
        char text[128];
        std::snprintf(text, sizeof text, "scrape timeout %g s is shorter than a reading (%g s)", *seconds,
                      kShortestProbeSeconds + kAnswerMargin);
        throw Refusal{text};
    }
    return std::chrono::milliseconds(static_cast<long long>(limit * 1000.0 + 0.5));
}

} // namespace

ProbeQueryResult ParseProbeQuery(const Parameters& parameters,
                                 const std::optional<std::string>& scrapeTimeout,
                                 const ProbeSettings& defaults) {
    ProbeQueryResult result;
    try {
        ProbeQuery query;
        query.target = Target(parameters);
        query.settings.probe = defaults;
        ApplyNtp(parameters, query.settings.probe);
        query.settings.probe.timeout = Limit(scrapeTimeout, defaults);
        query.settings.deadline = query.settings.probe.timeout;
        // The one device starts at once and has the whole limit, the scraper's choice: what it has not
        // done by then it has not done in time.
        query.settings.shortestReading = std::chrono::milliseconds(0);
        query.settings.parallel = 1;
        result.query = std::move(query);
    } catch (const Refusal& refusal) {
        result.refusal = refusal.reason;
    }
    return result;
}
