#include "DeviceList.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace {

// A list of addresses is far smaller; the bound keeps a wrong file (a log, a disk image, /dev/zero)
// from being read whole into memory.
constexpr std::size_t kLargestAddressFile = 4 * 1024 * 1024;
constexpr std::size_t kLongestMessage = 400;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Quoted(std::string_view text) {
    // Appended rather than "'" + text + "'": mingw-w64's g++ 12 at -O3 takes that sum for an overlapping
    // copy (-Werror=restrict), and the Release build would stop.
    std::string quoted(1, '\'');
    quoted += OutsideText(text, kLongestEcho);
    quoted += '\'';
    return quoted;
}

// Dotted addresses are taken as written, so that nothing but what is named is contacted.
DeviceAddress CheckedAddress(const ListedAddress& address, const std::string& fromFile,
                             const AddressLookup& lookup) {
    std::string refusal;
    if (const std::optional<Octets> octets = ParseDeviceAddress(address.text, refusal)) {
        return {FormatDottedAddress(*octets), AddressValue(*octets)};
    }
    if (!ParseDottedAddress(address.text)) {
        if (std::optional<DeviceAddress> found = lookup ? lookup(address) : std::nullopt) {
            return std::move(*found);
        }
    }
    const std::string where =
        address.line == 0 ? "" : " (line " + std::to_string(address.line) + " of " + Quoted(fromFile) + ")";
    throw DeviceListError(address.line == 0 ? address.option : "--from",
                          Quoted(address.text) + " " + refusal + where);
}

} // namespace

std::string ReadAddressStream(std::FILE* file, int openError, const std::string& name) {
    std::string text;
    std::size_t size = 0;
    if (file != nullptr) {
        text.resize(kLargestAddressFile + 1);
        size = std::fread(text.data(), 1, text.size(), file);
    }
    if (file == nullptr || std::ferror(file)) {
        const std::string reason = std::strerror(file != nullptr ? errno : openError);
        throw DeviceListError("--from", "cannot read " + name + ": " + reason);
    }
    if (size > kLargestAddressFile) {
        throw DeviceListError("--from", name + " is larger than 4 MiB, too large for a list of addresses");
    }
    text.resize(size);
    return text;
}

std::string ReadAddressFile(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    // Taken before a message is built, whose allocations may change errno.
    const int openError = errno;
    return ReadAddressStream(file.get(), openError, Quoted(path));
}

std::vector<ListedAddress> AddressLines(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<ListedAddress> addresses;
    for (std::size_t line = 1; !text.empty(); ++line) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view address = text.substr(0, std::min(end, text.find('#')));
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t first = address.find_first_not_of(" \t\r");
        if (first != std::string_view::npos) {
            address = address.substr(first, address.find_last_not_of(" \t\r") + 1 - first);
            addresses.push_back({address, line});
        }
    }
    return addresses;
}

// A device named twice (127.0.0.1, 127.0.0.01) would be read twice and reported twice.
std::vector<DeviceAddress> CheckedDevices(const std::vector<ListedAddress>& addresses,
                                          const std::string& fromFile, const AddressLookup& lookup) {
    std::vector<DeviceAddress> devices;
    std::unordered_set<std::uint32_t> seen;
    for (const ListedAddress& address : addresses) {
        DeviceAddress device = CheckedAddress(address, fromFile, lookup);
        if (seen.insert(device.value).second) {
            devices.push_back(std::move(device));
        }
    }
    return devices;
}

std::optional<std::vector<DeviceAddress>> ReadDeviceFile(const std::string& path, std::string& message) {
    try {
        const std::string text = ReadAddressFile(path);
        // A file's lines are never looked up.
        return CheckedDevices(AddressLines(text), path);
    } catch (const DeviceListError& error) {
        message = OutsideText(error.what(), kLongestMessage);
        return std::nullopt;
    }
}
