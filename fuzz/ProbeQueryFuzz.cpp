// The exporter's reading of a /probe request over any parameters and scraper limit (the HTTP parsing
// itself is the server library's, in a library built without coverage): what it accepts names a dotted
// address that reads back to itself and a limit the time arithmetic holds; the networks --allow takes
// keep no bits below their prefix.
#include "FuzzInput.h"

#include "connect/DottedAddress.h"
#include "connect/Ipv4Network.h"
#include "exporter/ProbeQuery.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace {

void CheckQuery(const ProbeQueryResult& result) {
    FuzzCheck(result.query.has_value() != !result.refusal.empty(),
              "a query is accepted or refused with a reason");
    if (!result.query) {
        return;
    }
    const ProbeQuery& query = *result.query;
    const std::optional<Octets> octets = ParseDottedAddress(query.target.text);
    FuzzCheck(octets && FormatDottedAddress(*octets) == query.target.text &&
                  AddressValue(*octets) == query.target.value,
              "the target is a dotted address in its normal form");
    const auto limit = query.settings.probe.timeout;
    FuzzCheck(limit >= std::chrono::milliseconds(100) && limit <= std::chrono::hours(24) &&
                  query.settings.deadline == limit,
              "the limit lies within 0.1 s and a day, and is the deadline");
    FuzzCheck(query.settings.probe.ntpPort >= 1, "the NTP port is a port");
}

void CheckNetwork(std::string_view text) {
    if (const std::optional<Network> network = ParseNetwork(text)) {
        FuzzCheck(network->prefix >= 0 && network->prefix <= 32, "the prefix is 0 to 32");
        FuzzCheck(IsWithin({*network}, network->base), "a network holds its base");
    }
}

} // namespace

// The variant bit says whether the first line is the scraper's limit; every other line is one parameter,
// its name before the first '='.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    std::optional<std::string> scrapeTimeout;
    std::multimap<std::string, std::string> parameters;
    ForEachLine(input.bytes, [&](std::string_view line) {
        CheckNetwork(line);
        if (input.variant && !scrapeTimeout) {
            scrapeTimeout = std::string(line);
            return;
        }
        const std::size_t equals = line.find('=');
        parameters.emplace(std::string(line.substr(0, equals)),
                           equals == std::string_view::npos ? "" : std::string(line.substr(equals + 1)));
    });
    CheckQuery(ParseProbeQuery(parameters, scrapeTimeout, ProbeSettings{}));
    return 0;
}
