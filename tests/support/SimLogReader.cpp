#include "SimLogReader.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace {

std::string Unescape(const std::string& text) {
    std::string plain;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const bool escape = text.compare(index, 2, "\\x") == 0 && index + 4 <= text.size() &&
                            std::isxdigit(static_cast<unsigned char>(text[index + 2])) &&
                            std::isxdigit(static_cast<unsigned char>(text[index + 3]));
        if (escape) {
            plain += static_cast<char>(std::strtol(text.substr(index + 2, 2).c_str(), nullptr, 16));
            index += 3;
        } else {
            plain += text[index];
        }
    }
    return plain;
}

bool ParseTime(const std::string& field, double& timeMs) {
    char* end = nullptr;
    errno = 0;
    timeMs = std::strtod(field.c_str(), &end);
    return errno == 0 && !field.empty() && *end == '\0';
}

bool ParsePort(const std::string& field, unsigned short& port) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(field.c_str(), &end, 10);
    if (errno != 0 || field.empty() || *end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    port = static_cast<unsigned short>(value);
    return true;
}

// Reads "KEY=VALUE" from the stream into value when the key matches.
bool ReadField(std::istringstream& stream, const std::string& key, std::string& value) {
    std::string field;
    if (!(stream >> field) || field.compare(0, key.size() + 1, key + "=") != 0) {
        return false;
    }
    value = Unescape(field.substr(key.size() + 1));
    return true;
}

void ParseAddressChange(double timeMs, const std::string& rest, SimLog& log) {
    std::istringstream stream(rest);
    SimAddressChange change;
    change.timeMs = timeMs;
    std::string port;
    if (stream >> port && ParsePort(port, change.port) && ReadField(stream, "ip", change.ip) &&
        ReadField(stream, "mask", change.mask) && ReadField(stream, "gateway", change.gateway)) {
        log.addressChanges.push_back(change);
    }
}

void ParseEntry(const std::string& entry, SimLog& log) {
    const std::size_t timeEnd = entry.find(' ');
    const std::size_t kindEnd = entry.find(' ', timeEnd == std::string::npos ? timeEnd : timeEnd + 1);
    double timeMs = 0;
    if (kindEnd == std::string::npos || !ParseTime(entry.substr(0, timeEnd), timeMs)) {
        return;
    }
    const std::string kind = entry.substr(timeEnd + 1, kindEnd - timeEnd - 1);
    const std::string rest = entry.substr(kindEnd + 1);
    SimLogLine line{timeMs, 0, Unescape(rest)};
    if (kind == "address") {
        ParseAddressChange(timeMs, rest, log);
    } else if (kind == "failure") {
        log.failures.push_back(Unescape(rest));
    } else if (ParsePort(kind, line.port)) {
        log.lines.push_back(line);
    }
}

} // namespace

SimLog ParseSimLog(const std::string& text) {
    SimLog log;
    std::istringstream stream(text);
    for (std::string entry; std::getline(stream, entry);) {
        ParseEntry(entry, log);
    }
    return log;
}
