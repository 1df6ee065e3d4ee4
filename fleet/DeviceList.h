#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// One device to read: its address as given and as a number (host byte order).
struct DeviceAddress {
    std::string text;
    std::uint32_t value = 0;
};

// One address as given, and where: line 0 is the command line, where option names it.
struct ListedAddress {
    std::string_view text;
    std::size_t line = 0;
    const char* option = "ADDRESS";
};

// A list of addresses refused: the option it came from, and why (what()).
class DeviceListError : public std::runtime_error {
public:
    DeviceListError(std::string option, const std::string& reason)
        : std::runtime_error(reason), m_option(std::move(option)) {}
    const std::string& Option() const { return m_option; }

private:
    std::string m_option;
};

// The address of one that is no dotted address, such as a host name -H gives; nullopt: it is refused as
// no dotted address.
using AddressLookup = std::function<std::optional<DeviceAddress>(const ListedAddress& address)>;

// Reads file whole, within 4 MiB; name says in messages what it is. Throws DeviceListError.
std::string ReadAddressStream(std::FILE* file, int openError, const std::string& name);
// Reads the list file at path whole. Throws DeviceListError.
std::string ReadAddressFile(const std::string& path);
// One address a line; '#' starts a comment, blank lines are skipped. Lines may end in CR LF, and the text
// may start with a byte order mark, as editors on Windows write it. The addresses view text.
std::vector<ListedAddress> AddressLines(std::string_view text);
// Every address once, in the order first given, dotted or found by lookup; fromFile names the file of
// those with a line. Throws DeviceListError for one that is neither.
std::vector<DeviceAddress> CheckedDevices(const std::vector<ListedAddress>& addresses,
                                          const std::string& fromFile, const AddressLookup& lookup = {});

// The devices of a list file as --from reads it (at most 4 MiB, one a line, '#' comments, each once);
// nullopt with the reason in message.
std::optional<std::vector<DeviceAddress>> ReadDeviceFile(const std::string& path, std::string& message);
