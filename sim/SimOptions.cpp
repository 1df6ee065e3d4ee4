#include "SimOptions.h"

#include <arpa/inet.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {

constexpr long long kMaxClockSeconds = 1000000000000LL; // far beyond 2038 and 2106, still exact in micros
constexpr long long kMaxDowntimeSeconds = 3600;
constexpr long long kMaxSlowMs = 10000;
constexpr std::size_t kMaxFirmwareLength = 200;
constexpr long long kMaxGetdateNumber = 1000000;

using Setter = bool (*)(SimOptions& options, const std::string& value, std::string& error);

struct Option {
    const char* name;
    const char* valueName; // nullptr for a switch
    const char* help;
    Setter set;
};

bool Fail(std::string& error, const std::string& reason) {
    error = reason;
    return false;
}

bool ParseInteger(const std::string& text, long long min, long long max, long long& value) {
    // strtoll alone would also take signs and leading blanks.
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

// "WHOLE" or "WHOLE.FRACTION" in plain digits; the fraction is scaled to fractionDigits places.
bool ParseDecimal(const std::string& text, int fractionDigits, long long maxWhole, long long& whole,
                  long long& fraction) {
    const std::size_t point = text.find('.');
    const std::string digits = point == std::string::npos ? "" : text.substr(point + 1);
    if (!ParseInteger(text.substr(0, point), 0, maxWhole, whole) ||
        digits.size() > static_cast<std::size_t>(fractionDigits) ||
        digits.find_first_not_of("0123456789") != std::string::npos ||
        (point != std::string::npos && digits.empty())) {
        return false;
    }
    const std::string scaled = digits + std::string(fractionDigits - digits.size(), '0');
    return ParseInteger(scaled, 0, kMaxClockSeconds, fraction);
}

bool SetPort(unsigned short& port, const std::string& value, std::string& error) {
    long long number = 0;
    if (!ParseInteger(value, 0, 65535, number)) {
        return Fail(error, "port must be a number from 0 to 65535: " + value);
    }
    port = static_cast<unsigned short>(number);
    return true;
}

bool SetAddress(SimOptions& options, const std::string& value, std::string& error) {
    in_addr address{};
    if (inet_pton(AF_INET, value.c_str(), &address) != 1) {
        return Fail(error, "not a dotted IPv4 address: " + value);
    }
    // A fake device with a published password belongs on this machine only.
    if ((ntohl(address.s_addr) >> 24) != 127) {
        return Fail(error, "not a loopback address (127.0.0.0/8): " + value);
    }
    options.address = value;
    return true;
}

bool SetLetter(SimOptions& options, const std::string& value, std::string& error) {
    if (value.size() != 1 || value[0] < 'A' || value[0] > 'Z') {
        return Fail(error, "the status letter must be one capital letter (A, V, M): " + value);
    }
    options.session.device.letter = value[0];
    return true;
}

bool SetSystemPeer(SimOptions& options, const std::string& value, std::string& error) {
    long long peer = 0;
    if (!ParseInteger(value, 0, 3, peer)) {
        return Fail(error, "the system peer must be 0, 1, 2 or 3: " + value);
    }
    options.session.device.systemPeer = static_cast<int>(peer);
    return true;
}

bool SetUnreadableGetdate(SimOptions& options, const std::string& value, std::string& error) {
    long long number = 0;
    if (!ParseInteger(value, 1, kMaxGetdateNumber, number)) {
        return Fail(error, "--unreadable-getdate takes 1 to 1000000: " + value);
    }
    options.session.device.unreadableGetdate = static_cast<int>(number);
    return true;
}

bool SetFirmware(SimOptions& options, const std::string& value, std::string& error) {
    const bool printable = value.find_first_of("\r\n\t") == std::string::npos;
    if (value.empty() || value.size() > kMaxFirmwareLength || !printable ||
        value.find("# ") != std::string::npos) {
        return Fail(error, "the firmware text must be 1 to 200 characters on one line, without \"# \"");
    }
    options.session.device.firmware = value;
    return true;
}

bool SetTime(SimOptions& options, const std::string& value, std::string& error) {
    long long seconds = 0;
    long long micros = 0;
    if (!ParseDecimal(value, 6, kMaxClockSeconds, seconds, micros)) {
        return Fail(error, "the time must be SECONDS or SECONDS.MICROSECONDS: " + value);
    }
    options.clock.fixedStart = true;
    options.clock.start = DeviceTime{seconds, static_cast<int>(micros)};
    return true;
}

bool SetDowntime(SimOptions& options, const std::string& value, std::string& error) {
    long long seconds = 0;
    long long millis = 0;
    if (!ParseDecimal(value, 3, kMaxDowntimeSeconds, seconds, millis)) {
        return Fail(error, "the downtime must be 0 to 3600 seconds, at most 3 decimals: " + value);
    }
    options.downtimeMs = static_cast<int>(seconds * 1000 + millis);
    return true;
}

bool SetSlow(SimOptions& options, const std::string& value, std::string& error) {
    long long ms = 0;
    if (!ParseInteger(value, 1, kMaxSlowMs, ms)) {
        return Fail(error, "--slow takes 1 to 10000 milliseconds: " + value);
    }
    options.slowMs = static_cast<int>(ms);
    return true;
}

const Option kOptions[] = {
    {"--address", "ADDR", "loopback address to listen on (default 127.0.0.1)", &SetAddress},
    {"--shell-port", "N", "port of the shell that shows \"# \" at once (default 5316; 0: off)",
     [](SimOptions& o, const std::string& v, std::string& e) { return SetPort(o.shellPort, v, e); }},
    {"--telnet-port", "N", "port of the telnet login (default 23; 0: off; below 1024 needs root)",
     [](SimOptions& o, const std::string& v, std::string& e) { return SetPort(o.telnetPort, v, e); }},
    {"--letter", "A|V|M", "getdate status letter: A GPS locked, V not locked, M MAC unassigned (default A)",
     &SetLetter},
    {"--system-peer", "0|1|2|3", "peer line of ntpq -p that carries '*' (default 1; 0: none)",
     &SetSystemPeer},
    {"--unreadable-getdate", "N", "the Nth getdate answer of each connection is unreadable (1: the first)",
     &SetUnreadableGetdate},
    {"--firmware", "TEXT", "answer of version and cat /etc/version (default 2.4.1)", &SetFirmware},
    {"--time", "SECONDS[.MICROS]", "device clock start, seconds since 1970 UTC (default: real UTC time)",
     &SetTime},
    {"--freeze", nullptr, "the device clock stands still",
     [](SimOptions& o, const std::string&, std::string&) {
         o.clock.frozen = true;
         return true;
     }},
    {"--downtime", "SECONDS", "time away after an address change (default 5; 0 allowed; decimals allowed)",
     &SetDowntime},
    {"--log", "FILE", "log every received line (format below)",
     [](SimOptions& o, const std::string& v, std::string&) {
         o.logPath = v;
         return !v.empty();
     }},
    {"--ready", nullptr, "print \"vantrex-sim ready\" on stdout once listening",
     [](SimOptions& o, const std::string&, std::string&) {
         o.ready = true;
         return true;
     }},
    {"--no-negotiation", nullptr, "no telnet option bytes before the login prompt",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.negotiation = false;
         return true;
     }},
    {"--silent", nullptr, "accept connections but never send anything",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.silent = true;
         return true;
     }},
    {"--slow", "MS", "send one byte every MS milliseconds", &SetSlow},
    {"--noise", nullptr, "mix NUL bytes and garbage into answers (prompts stay intact)",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.noise = true;
         return true;
     }},
    {"--no-prompt", nullptr, "answer commands with a 10000-byte text and never show the prompt again",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.noPrompt = true;
         return true;
     }},
    {"--close-mid-answer", nullptr, "close the connection halfway through the first answer",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.closeMidAnswer = true;
         return true;
     }},
};

const Option* FindOption(const std::string& name) {
    for (const Option& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

bool CheckPorts(const SimOptions& options, std::string& error) {
    if (options.shellPort == 0 && options.telnetPort == 0) {
        return Fail(error, "both ports are switched off");
    }
    if (options.shellPort == options.telnetPort) {
        return Fail(error, "the shell and telnet ports must differ");
    }
    return true;
}

} // namespace

OptionsOutcome ParseSimOptions(const std::vector<std::string>& args, SimOptions& options,
                               std::string& error) {
    for (std::size_t index = 0; index < args.size(); ++index) {
        if (args[index] == "--help") {
            return OptionsOutcome::Help;
        }
        const std::size_t equals = args[index].find('=');
        const Option* option = FindOption(args[index].substr(0, equals));
        if (option == nullptr) {
            error = "unknown option: " + args[index];
            return OptionsOutcome::Invalid;
        }
        std::string value;
        if (option->valueName != nullptr && equals != std::string::npos) {
            value = args[index].substr(equals + 1);
        } else if (option->valueName != nullptr && index + 1 < args.size()) {
            value = args[++index];
        } else if (option->valueName != nullptr || equals != std::string::npos) {
            error = std::string(option->name) + (option->valueName ? " needs a value" : " takes no value");
            return OptionsOutcome::Invalid;
        }
        if (!option->set(options, value, error)) {
            error = error.empty() ? std::string(option->name) + ": bad value" : error;
            return OptionsOutcome::Invalid;
        }
    }
    return CheckPorts(options, error) ? OptionsOutcome::Run : OptionsOutcome::Invalid;
}

std::string SimUsage() {
    std::string usage = "Usage: vantrex-sim [OPTION]...\n"
                        "A simulated VANTREX time server on loopback: a shell on one port, a telnet login\n"
                        "(root / q9lokar58) on the other. Runs until SIGINT or SIGTERM, then exits 0.\n\n"
                        "Options:\n";
    for (const Option& option : kOptions) {
        const std::string head =
            std::string(option.name) + (option.valueName ? std::string(" ") + option.valueName : "");
        usage += "  " + head + std::string(head.size() < 28 ? 28 - head.size() : 1, ' ') + option.help + "\n";
    }
    usage += "  --help                      show this text\n"
             "\nCommands answered: version, cat /etc/version, getdate (\"SECONDS.MICROS LETTER\"),\n"
             "ntpq -p [127.0.0.1], setip -i IP -g GATEWAY -s NETMASK, and the telnet form\n"
             "echo 'IP' > /usr/ipaddress, echo 'MASK' > /usr/netmask, echo 'GW' > /usr/gateway,\n"
             "touch /usr/ramdisk/reset. An address change drops every connection and both ports\n"
             "for the downtime. Every typed line is echoed; every answer ends with \"# \".\n"
             "\nLog format, one line each, times in milliseconds since the start (3 decimals):\n"
             "  TIME PORT TEXT                                  a received line\n"
             "  TIME address PORT ip=IP mask=MASK gateway=GW    an address change\n"
             "Bytes below 32, 127 and above, backslashes, and in address values also spaces, appear as\n"
             "\\xNN (two hex digits).\n"
             "\nExit status: 0 after SIGINT or SIGTERM; 2 for bad options or a port that cannot be bound.\n";
    return usage;
}
