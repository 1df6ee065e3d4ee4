#include "DeviceListText.h"

#include "connect/DottedAddress.h"
#include "connect/Ipv4Network.h"
#include "devicetext/DeviceText.h"

#include <cstdint>
#include <unordered_set>

namespace {

// The longest name kept: a name is a label, not a note.
constexpr std::size_t kLongestName = 64;

// Addresses first to last, both included.
struct AddressSpan {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r' || c == '\n';
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsSeparator(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsSeparator(text[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(text.substr(start, at - start));
        }
    }
    return words;
}

std::optional<std::uint32_t> DeviceValue(std::string_view text) {
    std::string refusal;
    const std::optional<Octets> octets = ParseDeviceAddress(text, refusal);
    return octets ? std::optional<std::uint32_t>(AddressValue(*octets)) : std::nullopt;
}

// "A.B.C.D/N": its hosts, without the network's own address and its broadcast where it has them.
std::optional<AddressSpan> NetworkSpan(std::string_view word) {
    const std::optional<Network> network = ParseNetwork(word);
    if (!network || network->prefix < 1) {
        return std::nullopt;
    }
    const std::uint32_t hostMask = network->prefix == 32 ? 0 : (~std::uint32_t{0} >> network->prefix);
    const std::uint32_t base = network->base & ~hostMask;
    if (network->prefix >= 31) {
        return AddressSpan{base, base | hostMask};
    }
    return AddressSpan{base + 1, (base | hostMask) - 1};
}

// "A.B.C.D-E" (the last number) or "A.B.C.D-E.F.G.H".
std::optional<AddressSpan> DashSpan(std::string_view word) {
    const std::size_t dash = word.find('-');
    const std::optional<std::uint32_t> first = DeviceValue(word.substr(0, dash));
    const std::string_view end = word.substr(dash + 1);
    if (!first || end.empty()) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> last;
    if (end.find('.') == std::string_view::npos) {
        if (end.size() > 3 || end.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        const std::uint32_t lastOctet = static_cast<std::uint32_t>(std::stoul(std::string(end)));
        if (lastOctet > 255) {
            return std::nullopt;
        }
        last = (*first & ~std::uint32_t{0xff}) | lastOctet;
    } else {
        last = DeviceValue(end);
    }
    if (!last || *last < *first) {
        return std::nullopt;
    }
    return AddressSpan{*first, *last};
}

std::optional<AddressSpan> SpanOf(std::string_view word) {
    if (word.find('/') != std::string_view::npos) {
        return NetworkSpan(word);
    }
    if (word.find('-') != std::string_view::npos) {
        return DashSpan(word);
    }
    const std::optional<std::uint32_t> value = DeviceValue(word);
    return value ? std::optional<AddressSpan>(AddressSpan{*value, *value}) : std::nullopt;
}

DeviceAddress AddressOf(std::uint32_t value) {
    return DeviceAddress{FormatDottedAddress(OctetsOf(value)), value};
}

} // namespace

std::string DeviceName(std::string_view typed) {
    return DeviceText(typed.substr(0, WholeCharacterLength(typed, kLongestName)));
}

std::optional<std::vector<DeviceAddress>> TypedDevices(std::string_view text, std::string& refusal) {
    std::vector<DeviceAddress> devices;
    std::unordered_set<std::uint32_t> seen;
    for (const std::string_view word : Words(text)) {
        const std::optional<AddressSpan> span = SpanOf(word);
        if (!span) {
            refusal = "'" + OutsideText(word, kLongestEcho) + "' is no dotted IPv4 address, range or network";
            return std::nullopt;
        }
        if (span->last - span->first >= kMostListedDevices) {
            refusal = "'" + OutsideText(word, kLongestEcho) + "' holds more than " +
                      std::to_string(kMostListedDevices) + " addresses";
            return std::nullopt;
        }
        for (std::uint64_t value = span->first; value <= span->last; ++value) {
            if (seen.insert(static_cast<std::uint32_t>(value)).second) {
                devices.push_back(AddressOf(static_cast<std::uint32_t>(value)));
            }
        }
        if (devices.size() > kMostListedDevices) {
            refusal = "more than " + std::to_string(kMostListedDevices) + " addresses";
            return std::nullopt;
        }
    }
    return devices;
}

std::string KeptDevicesText(const std::vector<KeptDevice>& devices) {
    std::string text;
    for (const KeptDevice& device : devices) {
        text += device.address;
        text += '\t';
        text += DeviceName(device.name);
        text += '\n';
    }
    return text;
}

std::vector<KeptDevice> ReadKeptDevices(std::string_view text) {
    std::vector<KeptDevice> devices;
    std::unordered_set<std::uint32_t> seen;
    std::size_t at = 0;
    while (at < text.size() && devices.size() < kMostListedDevices) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t tab = line.find('\t');
        const std::optional<std::uint32_t> value = DeviceValue(line.substr(0, tab));
        if (!value || !seen.insert(*value).second) {
            continue;
        }
        const std::string_view name =
            tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        devices.push_back(KeptDevice{AddressOf(*value).text, DeviceName(name)});
    }
    return devices;
}
