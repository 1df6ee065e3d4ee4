#include "ShellInterpreter.h"

#include "DeviceAnswers.h"
#include "DeviceTexts.h"

#include <sstream>

namespace {

constexpr const char* kIpFile = "/usr/ipaddress";
constexpr const char* kMaskFile = "/usr/netmask";
constexpr const char* kGatewayFile = "/usr/gateway";
constexpr const char* kResetFile = "/usr/ramdisk/reset";

std::vector<std::string> SplitWords(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

std::string Line(const std::string& text) {
    return text + std::string(kLineEnd);
}

ShellReply Answer(const std::string& text) {
    return ShellReply{text, std::nullopt};
}

// Reads "echo 'VALUE' > PATH" exactly as the tool types it; false for any other shape.
bool ParseEchoIntoFile(const std::string& line, std::string& value, std::string& path) {
    const std::string opening = "echo '";
    const std::string redirect = "' > ";
    if (line.compare(0, opening.size(), opening) != 0) {
        return false;
    }
    const std::size_t valueEnd = line.find('\'', opening.size());
    if (valueEnd == std::string::npos || line.compare(valueEnd, redirect.size(), redirect) != 0) {
        return false;
    }
    value = line.substr(opening.size(), valueEnd - opening.size());
    path = line.substr(valueEnd + redirect.size());
    return true;
}

// The value after a setip flag; a missing value or another flag in its place does not count.
std::optional<std::string> FlagValue(const std::vector<std::string>& words, std::size_t flagIndex) {
    if (flagIndex + 1 >= words.size() || words[flagIndex + 1].starts_with('-')) {
        return std::nullopt;
    }
    return words[flagIndex + 1];
}

} // namespace

const CShellInterpreter::Command CShellInterpreter::kCommands[] = {
    {"version", &CShellInterpreter::Version, "version"},
    {"cat", &CShellInterpreter::Cat, "cat /etc/version"},
    {"getdate", &CShellInterpreter::Getdate, "getdate"},
    {"ntpq", &CShellInterpreter::Ntpq, "ntpq -p [127.0.0.1]"},
    {"setip", &CShellInterpreter::Setip, "setip -i IP -g GATEWAY -s NETMASK"},
    {"echo", &CShellInterpreter::EchoIntoFile, "echo 'VALUE' > /usr/ipaddress|/usr/netmask|/usr/gateway"},
    {"touch", &CShellInterpreter::Touch, "touch /usr/ramdisk/reset"},
};

CShellInterpreter::CShellInterpreter(DeviceSetting setting, std::function<DeviceTime()> clock,
                                     GpsFlipped gpsFlipped)
    : m_setting(std::move(setting)), m_clock(std::move(clock)), m_gpsFlipped(std::move(gpsFlipped)) {}

ShellReply CShellInterpreter::Execute(const std::string& line) {
    const Words words = SplitWords(line);
    if (words.empty()) {
        return Answer("");
    }
    for (const Command& command : kCommands) {
        if (words[0] == command.name) {
            std::optional<ShellReply> reply = (this->*command.handler)(line, words);
            return reply ? *reply : Answer(Line(std::string("Usage: ") + command.usage));
        }
    }
    return Answer(Line("-sh: " + words[0] + ": not found"));
}

std::optional<ShellReply> CShellInterpreter::Version(const std::string&, const Words& words) {
    if (words.size() != 1) {
        return std::nullopt;
    }
    return Answer(Line(m_setting.firmware));
}

std::optional<ShellReply> CShellInterpreter::Cat(const std::string&, const Words& words) {
    if (words.size() != 2 || words[1] != "/etc/version") {
        return std::nullopt;
    }
    return Answer(Line(m_setting.firmware));
}

std::optional<ShellReply> CShellInterpreter::Getdate(const std::string&, const Words& words) {
    if (words.size() != 1) {
        return std::nullopt;
    }
    ++m_getdateCount;
    if (m_getdateCount == static_cast<std::uint64_t>(m_setting.unreadableGetdate)) {
        return Answer(Line(std::string(kUnreadableClock)));
    }
    if (m_setting.getdateText) {
        return Answer(Line(*m_setting.getdateText));
    }
    return Answer(FormatGetdateAnswer(m_clock(), GpsLetter(m_setting.letter, m_gpsFlipped())));
}

std::optional<ShellReply> CShellInterpreter::Ntpq(const std::string&, const Words& words) {
    const bool localHost =
        words.size() == 2 || (words.size() == 3 && (words[2] == "127.0.0.1" || words[2] == "localhost"));
    if (words.size() < 2 || words[1] != "-p" || !localHost) {
        return std::nullopt;
    }
    return Answer(FormatPeerTable(m_setting.systemPeer, m_setting.systemTally, m_setting.peerReach,
                                  m_setting.peerJitterMs));
}

std::optional<ShellReply> CShellInterpreter::Setip(const std::string&, const Words& words) {
    std::optional<std::string> ip;
    std::optional<std::string> gateway;
    std::optional<std::string> mask;
    for (std::size_t index = 1; index < words.size(); index += 2) {
        std::optional<std::string>* target = words[index] == "-i"   ? &ip
                                             : words[index] == "-g" ? &gateway
                                             : words[index] == "-s" ? &mask
                                                                    : nullptr;
        if (target == nullptr || target->has_value()) {
            return std::nullopt;
        }
        *target = FlagValue(words, index);
    }
    if (!ip || !gateway || !mask) {
        return std::nullopt;
    }
    return ShellReply{"", AddressChange{*ip, *mask, *gateway}};
}

std::optional<ShellReply> CShellInterpreter::EchoIntoFile(const std::string& line, const Words&) {
    std::string value;
    std::string path;
    if (!ParseEchoIntoFile(line, value, path)) {
        return std::nullopt;
    }
    std::string* target = path == kIpFile        ? &m_written.ip
                          : path == kMaskFile    ? &m_written.mask
                          : path == kGatewayFile ? &m_written.gateway
                                                 : nullptr;
    if (target == nullptr) {
        return std::nullopt;
    }
    *target = value;
    return Answer("");
}

std::optional<ShellReply> CShellInterpreter::Touch(const std::string&, const Words& words) {
    if (words.size() != 2 || words[1] != kResetFile) {
        return std::nullopt;
    }
    return ShellReply{"", m_written};
}
