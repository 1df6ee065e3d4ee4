#include "FoundFormat.h"

#include "connect/DottedAddress.h"
#include "devicetext/DeviceText.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <vector>

namespace {

std::vector<unsigned short> Ports(const FoundAddress& found) {
    std::vector<unsigned short> ports;
    for (const std::optional<unsigned short>& port : {found.shellPort, found.telnetPort}) {
        if (port) {
            ports.push_back(*port);
        }
    }
    return ports;
}

} // namespace

std::string FormatFoundLine(const FoundAddress& found) {
    std::string ports;
    for (const unsigned short port : Ports(found)) {
        if (!ports.empty()) {
            ports += ',';
        }
        ports += std::to_string(port);
    }
    const std::string firmware = found.firmware.empty() ? "-" : DeviceText(found.firmware);
    char line[256];
    std::snprintf(line, sizeof line, "%-15s %-10s %-16s %s",
                  FormatDottedAddress(OctetsOf(found.address)).c_str(), ports.c_str(), firmware.c_str(),
                  FoundNote(found));
    return line;
}

std::string FormatFoundJson(const FoundAddress& found) {
    const nlohmann::json json = {
        {"address", FormatDottedAddress(OctetsOf(found.address))},
        {"firmware",
         found.firmware.empty() ? nlohmann::json(nullptr) : nlohmann::json(DeviceText(found.firmware))},
        {"note", FoundNote(found)},
        {"ports", Ports(found)},
    };
    // The firmware is valid UTF-8 already; a stray byte elsewhere is replaced rather than ending the program.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
