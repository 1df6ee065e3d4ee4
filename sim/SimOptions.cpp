#include "SimOptions.h"

#include "LocalAddress.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

constexpr long long kMaxClockSeconds = 1000000000000LL; // far beyond 2038 and 2106, still exact in micros
constexpr long long kMaxDowntimeSeconds = 3600;
constexpr long long kMaxSlowMs = 10000;
constexpr long long kMaxLoginDelayMs = 60000;
constexpr long long kMaxNtpDelayMs = 60000;
constexpr std::size_t kHelpColumn = 28;   // where help texts start, after the two-space indent
constexpr long long kMaxPid = 2147483647; // pid_t is a signed 32-bit number on Linux
constexpr std::size_t kMaxAnswerLength = 200;
constexpr long long kMaxGetdateNumber = 1000000;
constexpr long long kMaxBusyCommands = 1000;
// A /16: more than one process serves in time, far more than one would ever mean to type.
constexpr std::size_t kMaxAddresses = 65536;
constexpr long long kMaxConnectionLimit = 1000000;
constexpr long long kMaxPeerJitterMs = 100000;
// A day of flips at most, enough for any test; more would only be a typing error.
constexpr std::size_t kMaxGpsFlips = 64;
constexpr long long kMaxGpsFlipMs = 86400000;

using Setter = bool (*)(SimOptions& options, const std::string& value, std::string& error);

struct Option {
    const char* name;
    const char* valueName; // nullptr for a switch; "[=...]" for a value given only after '='
    const char* help;
    Setter set; // nullptr for a switch that only turns on what flag names
    bool& (*flag)(SimOptions&) = nullptr;
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

// A whole number from min to max for the option name; unit, if any, is named in the complaint.
bool SetWhole(int& target, const char* name, long long min, long long max, const char* unit,
              const std::string& value, std::string& error) {
    long long number = 0;
    if (!ParseInteger(value, min, max, number)) {
        return Fail(error, std::string(name) + " takes " + std::to_string(min) + " to " +
                               std::to_string(max) + unit + ": " + value);
    }
    target = static_cast<int>(number);
    return true;
}

// A fake device with a published password belongs on this machine only.
bool ParseLoopback(const std::string& value, std::uint32_t& address, std::string& error) {
    const std::optional<std::uint32_t> parsed = AddressNumber(value);
    if (!parsed) {
        return Fail(error, "not a dotted IPv4 address: " + value);
    }
    address = *parsed;
    if ((address >> 24) != 127) {
        return Fail(error, "not a loopback address (127.0.0.0/8): " + value);
    }
    return true;
}

// One address, or a range FIRST-LAST of at most kMaxAddresses, both ends loopback.
bool SetAddress(SimOptions& options, const std::string& value, std::string& error) {
    const std::size_t dash = value.find('-');
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (!ParseLoopback(value.substr(0, dash), first, error) ||
        (dash != std::string::npos && !ParseLoopback(value.substr(dash + 1), last, error))) {
        return false;
    }
    last = dash == std::string::npos ? first : last;
    if (last < first || last - first >= kMaxAddresses) {
        return Fail(error, "an address range runs upwards over at most " + std::to_string(kMaxAddresses) +
                               " addresses: " + value);
    }
    if (!options.addressGiven) {
        options.addresses.clear();
        options.addressGiven = true;
    }
    for (std::uint32_t address = first; address <= last; ++address) {
        options.addresses.push_back(DottedAddress(address));
    }
    if (options.addresses.size() > kMaxAddresses) {
        return Fail(error, "at most " + std::to_string(kMaxAddresses) + " addresses in all");
    }
    return true;
}

// MS[,MS...]: each flip strictly after the one before, so that no two fall together and cancel out.
bool SetGpsFlips(SimOptions& options, const std::string& value, std::string& error) {
    const std::string reason = "--gps-flips takes up to " + std::to_string(kMaxGpsFlips) +
                               " ascending times from 0 to " + std::to_string(kMaxGpsFlipMs) +
                               " milliseconds, separated by commas: " + value;
    std::vector<int> times;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = value.find(',', start);
        long long time = 0;
        if (times.size() == kMaxGpsFlips ||
            !ParseInteger(value.substr(start, comma - start), 0, kMaxGpsFlipMs, time) ||
            (!times.empty() && time <= times.back())) {
            return Fail(error, reason);
        }
        times.push_back(static_cast<int>(time));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    options.gpsFlipsMs = std::move(times);
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

// Reach as the table prints it: up to three octal digits, the last eight polls.
bool SetPeerReach(SimOptions& options, const std::string& value, std::string& error) {
    const bool octal =
        !value.empty() && value.size() <= 3 && value.find_first_not_of("01234567") == std::string::npos;
    const unsigned long reach = octal ? std::strtoul(value.c_str(), nullptr, 8) : 0;
    if (!octal || reach > 0377) {
        return Fail(error, "--peer-reach takes the octal reach of the last 8 polls, 0 to 377: " + value);
    }
    options.session.device.peerReach = static_cast<unsigned>(reach);
    return true;
}

bool SetPeerJitter(SimOptions& options, const std::string& value, std::string& error) {
    long long whole = 0;
    long long thousandths = 0;
    if (!ParseDecimal(value, 3, kMaxPeerJitterMs, whole, thousandths)) {
        return Fail(error, "--peer-jitter takes 0 to 100000 milliseconds, at most 3 decimals: " + value);
    }
    options.session.device.peerJitterMs =
        static_cast<double>(whole) + static_cast<double>(thousandths) / 1000;
    return true;
}

// A text the shell answers with: one line, which must not end the answer early with a prompt of its own.
bool IsAnswerLine(const std::string& value) {
    return value.size() <= kMaxAnswerLength && value.find_first_of("\r\n\t") == std::string::npos &&
           value.find("# ") == std::string::npos;
}

// Empty: a device that answers the version command with an empty line.
bool SetFirmware(SimOptions& options, const std::string& value, std::string& error) {
    if (!IsAnswerLine(value)) {
        return Fail(error, "the firmware text must be 0 to 200 characters on one line, without \"# \"");
    }
    options.session.device.firmware = value;
    return true;
}

bool SetGetdateText(SimOptions& options, const std::string& value, std::string& error) {
    if (!IsAnswerLine(value)) {
        return Fail(error, "--getdate-text takes 0 to 200 characters on one line, without \"# \"");
    }
    options.session.device.getdateText = value;
    return true;
}

bool SetSystemTally(SimOptions& options, const std::string& value, std::string& error) {
    if (value != "*" && value != "o") {
        return Fail(error, "the system peer's tally must be * or o: " + value);
    }
    options.session.device.systemTally = value[0];
    return true;
}

// [-]SECONDS[.MICROS] in microseconds.
bool ParseSignedSeconds(const std::string& value, std::int64_t& micros) {
    const bool negative = !value.empty() && value[0] == '-';
    long long seconds = 0;
    long long fraction = 0;
    if (!ParseDecimal(negative ? value.substr(1) : value, 6, kMaxClockSeconds, seconds, fraction)) {
        return false;
    }
    micros = (negative ? -1 : 1) * (seconds * 1000000 + fraction);
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

bool SetExitWithParent(SimOptions& options, const std::string& value, std::string& error) {
    long long pid = 0;
    if (!value.empty() && !ParseInteger(value, 1, kMaxPid, pid)) {
        return Fail(error, "--exit-with-parent takes a process id: " + value);
    }
    options.exitWithParent = true;
    options.parentPid = pid;
    return true;
}

bool SetKissCode(SimOptions& options, const std::string& value, std::string& error) {
    if (value.empty() || value.size() > 4 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        return Fail(error, "the kiss code must be 1 to 4 capital letters: " + value);
    }
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        // Shorter codes are padded with zero bytes, as the reference id of a named source is.
        code = code << 8 | (i < value.size() ? static_cast<std::uint8_t>(value[i]) : 0u);
    }
    options.ntp.kissCode = code;
    return true;
}

const Option kOptions[] = {
    {"--address", "ADDR[-ADDR]",
     "loopback address to listen on (default 127.0.0.1); repeated, or as a range\n"
     "such as 127.0.1.1-127.0.1.200: several devices in one process (at most 65536)",
     &SetAddress},
    {"--one-socket-per-port", nullptr,
     "listen on every address (0.0.0.0) with one socket per port, serving the\n"
     "addresses given and closing connections to any other at once: the way to\n"
     "serve more addresses than the descriptor limit allows sockets (taken by\n"
     "itself then), but it takes the ports on every other address too",
     nullptr, [](SimOptions& o) -> bool& { return o.oneSocketPerPort; }},
    {"--ntp-port", "N", "answer SNTP requests on UDP port N of every address (default: no NTP)",
     [](SimOptions& o, const std::string& v, std::string& e) { return SetPort(o.ntpPort, v, e); }},
    {"--ntp-offset", "SECONDS", "the NTP service serves the device clock plus SECONDS (may be negative)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return ParseSignedSeconds(v, o.ntp.offsetMicros) ||
                Fail(e, "the NTP offset must be [-]SECONDS[.MICROS]: " + v);
     }},
    {"--ntp-receive-shift", "SECONDS",
     "stamp the NTP receive time SECONDS later (may be negative): a server whose\n"
     "times cannot be true, sending before it received or holding a request longer\n"
     "than the client's whole round trip",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return ParseSignedSeconds(v, o.ntp.receiveShiftMicros) ||
                Fail(e, "the receive shift must be [-]SECONDS[.MICROS]: " + v);
     }},
    {"--ntp-stratum", "N", "stratum in NTP answers (default 1; 16: unsynchronised)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.ntp.stratum, "--ntp-stratum", 0, 255, "", v, e);
     }},
    {"--ntp-leap", "N", "leap indicator in NTP answers (default 0; 3: clock not synchronised)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.ntp.leap, "--ntp-leap", 0, 3, "", v, e);
     }},
    {"--ntp-kiss", "CODE",
     "answer NTP requests with a kiss-o'-death: stratum 0 and CODE (1 to 4 capital\n"
     "letters, such as RATE, DENY or RSTR) as the reference id",
     &SetKissCode},
    {"--ntp-delay", "MS",
     "the NTP path's round trip: each request reaches the service MS/2 milliseconds\n"
     "late and its answer comes back as late (default 0; at most 60000)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         int ms = 0;
         if (!SetWhole(ms, "--ntp-delay", 0, kMaxNtpDelayMs, " milliseconds", v, e)) {
             return false;
         }
         o.ntp.pathDelayMicros = std::int64_t{ms} * 1000;
         return true;
     }},
    {"--ntp-loss", "PERCENT",
     "lose PERCENT of the NTP requests at random, and as many of their answers\n"
     "(default 0; at most 100)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.ntp.lossPercent, "--ntp-loss", 0, 100, " percent", v, e);
     }},
    {"--ntp-silent", nullptr, "take NTP requests but never answer them", nullptr,
     [](SimOptions& o) -> bool& { return o.ntp.silent; }},
    {"--shell-port", "N", "port of the shell that shows \"# \" at once (default 5316; 0: off)",
     [](SimOptions& o, const std::string& v, std::string& e) { return SetPort(o.shellPort, v, e); }},
    {"--telnet-port", "N", "port of the telnet login (default 23; 0: off; below 1024 needs root)",
     [](SimOptions& o, const std::string& v, std::string& e) { return SetPort(o.telnetPort, v, e); }},
    {"--letter", "A|V|M", "getdate status letter: A GPS locked, V not locked, M MAC unassigned (default A)",
     &SetLetter},
    {"--gps-flips", "MS[,MS...]",
     "flip the GPS lock as SIGUSR1 does, MS milliseconds after the first connection\n"
     "the sim accepts, for each of up to 64 ascending times",
     &SetGpsFlips},
    {"--system-peer", "0|1|2|3", "peer line of ntpq -p that carries '*' (default 1; 0: none)",
     &SetSystemPeer},
    {"--system-tally", "*|o", "the system peer's tally: * (default), or o for a pulse per second",
     &SetSystemTally},
    {"--peer-reach", "OCTAL",
     "the system peer's reach, its last 8 polls in octal (default 377: all answered)", &SetPeerReach},
    {"--peer-jitter", "MS",
     "the system peer's jitter in milliseconds, up to 3 decimals (default: a few\nmicroseconds)",
     &SetPeerJitter},
    {"--unreadable-getdate", "N", "the Nth getdate answer of each connection is unreadable (1: the first)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.session.device.unreadableGetdate, "--unreadable-getdate", 1, kMaxGetdateNumber, "",
                         v, e);
     }},
    {"--firmware", "TEXT", "answer of version and cat /etc/version (default 2.4.1; may be empty)",
     &SetFirmware},
    {"--getdate-text", "TEXT", "every getdate answer is TEXT instead of a reading", &SetGetdateText},
    {"--time", "SECONDS[.MICROS]", "device clock start, seconds since 1970 UTC (default: real UTC time)",
     &SetTime},
    {"--week-rollover", nullptr,
     "the device clock, as the shell prints it and NTP serves it, runs 1024 weeks\n"
     "behind the time otherwise set, as after a GPS week-number rollover",
     nullptr, [](SimOptions& o) -> bool& { return o.clock.weekRollover; }},
    {"--freeze", nullptr, "the device clock stands still", nullptr,
     [](SimOptions& o) -> bool& { return o.clock.frozen; }},
    {"--downtime", "SECONDS", "time away after an address change (default 5; 0 allowed; decimals allowed)",
     &SetDowntime},
    {"--follow-address", nullptr,
     "after an address change to a loopback address, come back there instead of\n"
     "at the old address; after any other address, stay away (out of reach)",
     nullptr, [](SimOptions& o) -> bool& { return o.followAddress; }},
    {"--busy-after-change", "N",
     "after an address change, answer N commands with a line of the network\n"
     "restarting (no clock, no peer table) before restarting; with --no-restart,\n"
     "before answering as before",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.session.busyAfterChange, "--busy-after-change", 1, kMaxBusyCommands, "", v, e);
     }},
    {"--no-restart", nullptr, "take an address change but never restart: the device stays where it is",
     nullptr, [](SimOptions& o) -> bool& { return o.session.noRestart; }},
    {"--log", "FILE", "log every received line (format below)",
     [](SimOptions& o, const std::string& v, std::string&) {
         o.logPath = v;
         return !v.empty();
     }},
    {"--ready", nullptr, "print \"vantrex-sim ready\" on stdout once listening", nullptr,
     [](SimOptions& o) -> bool& { return o.ready; }},
    {"--no-negotiation", nullptr, "no telnet option bytes before the login prompt",
     [](SimOptions& o, const std::string&, std::string&) {
         o.session.negotiation = false;
         return true;
     }},
    {"--silent", nullptr, "accept connections but never send anything", nullptr,
     [](SimOptions& o) -> bool& { return o.session.silent; }},
    {"--slow", "MS", "send one byte every MS milliseconds",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.slowMs, "--slow", 1, kMaxSlowMs, " milliseconds", v, e);
     }},
    {"--login-delay", "MS",
     "the telnet login prompt follows the negotiation after MS milliseconds on\n"
     "every connection, as the login program starts (default 250; 0: at once)",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.loginDelayMs, "--login-delay", 0, kMaxLoginDelayMs, " milliseconds", v, e);
     }},
    {"--first-bytes-delay", "MS",
     "every connection's first bytes (the shell prompt, the telnet negotiation and\n"
     "login) come MS milliseconds after the accept, as from a distant device",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.firstBytesDelayMs, "--first-bytes-delay", 0, kMaxLoginDelayMs, " milliseconds", v,
                         e);
     }},
    {"--max-connections", "N",
     "at most N connections at once over all ports and addresses (default 4096,\n"
     "fewer under a lower descriptor limit); more are closed at once, reported",
     [](SimOptions& o, const std::string& v, std::string& e) {
         return SetWhole(o.maxConnections, "--max-connections", 1, kMaxConnectionLimit, "", v, e);
     }},
    {"--exit-with-parent", "[=PID]",
     "end with the parent: SIGTERM once the thread that started the sim ends\n"
     "(Linux's parent-death signal follows that thread, not its process), and\n"
     "at once if the parent (PID; default: the parent at start) is already gone",
     &SetExitWithParent},
    {"--noise", nullptr, "mix NUL bytes and garbage into answers (prompts stay intact)", nullptr,
     [](SimOptions& o) -> bool& { return o.session.noise; }},
    {"--no-prompt", nullptr, "answer commands with a 10000-byte text and never show the prompt again",
     nullptr, [](SimOptions& o) -> bool& { return o.session.noPrompt; }},
    {"--close-mid-answer", nullptr, "close the connection halfway through the first answer", nullptr,
     [](SimOptions& o) -> bool& { return o.session.closeMidAnswer; }},
};

// A help text of several lines, its later lines moved under the first.
std::string IndentContinuations(const std::string& help) {
    std::string indented;
    for (const char character : help) {
        indented += character;
        if (character == '\n') {
            indented += std::string(2 + kHelpColumn, ' ');
        }
    }
    return indented;
}

bool TakesOptionalValue(const Option& option) {
    return option.valueName != nullptr && option.valueName[0] == '[';
}

bool TakesNextWord(const Option& option) {
    return option.valueName != nullptr && !TakesOptionalValue(option);
}

// Each occurrence is taken as it comes, so that the first bad value in the line is the one reported and a
// repeated option's last value wins (the address setter adds to the earlier ones instead).
void AddOption(CLI::App& app, const Option& option, SimOptions& options) {
    const bool takesNoArgument = !TakesNextWord(option);
    const CLI::callback_t take = [&option, &options](const CLI::results_t& values) {
        std::string error;
        if (option.valueName == nullptr && !values.front().empty()) {
            throw CLI::ValidationError(std::string(option.name) + " takes no value");
        }
        if (option.flag != nullptr) {
            option.flag(options) = true;
        } else if (!option.set(options, values.front(), error)) {
            throw CLI::ValidationError(error.empty() ? std::string(option.name) + ": bad value" : error);
        }
        return true;
    };
    // Without an argument, a value can come only after '=': it never takes the next word. The range form of
    // expected() leaves a bare option's value empty, where expected(0) would make it "true".
    const int arguments = takesNoArgument ? 0 : 1;
    app.add_option(option.name, take)
        ->expected(arguments, arguments)
        ->type_name(takesNoArgument ? "" : option.valueName)
        ->trigger_on_parse();
}

// --help and --version end the parsing where they stand, unless an unknown word came before them.
template <typename Ending>
void AddEnding(CLI::App& app, const char* name) {
    app.add_option(name, CLI::callback_t([&app, name](const CLI::results_t& values) -> bool {
                       if (!values.front().empty()) {
                           throw CLI::ValidationError(std::string(name) + " takes no value");
                       }
                       if (!app.remaining().empty()) {
                           throw CLI::ExtrasError(app.remaining());
                       }
                       throw Ending();
                   }))
        ->expected(0, 0)
        ->trigger_on_parse();
}

// The arguments in the order CLI11 takes them, last first. CLI11 reads "--log=" as a bare "--log" that takes
// the next word; here an empty text after '=' is the value, as it is for every other text after '='.
std::vector<std::string> CliWords(const std::vector<std::string>& args) {
    std::vector<std::string> words;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg) {
        const auto option = std::ranges::find_if(
            kOptions, [&](const Option& o) { return *arg == std::string(o.name) + "="; });
        if (option != std::end(kOptions) && TakesNextWord(*option)) {
            words.push_back("");
            words.push_back(option->name);
        } else {
            words.push_back(*arg);
        }
    }
    return words;
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

bool IsLoopbackText(const std::string& text) {
    std::uint32_t address = 0;
    std::string ignored;
    return ParseLoopback(text, address, ignored);
}

OptionsOutcome ParseSimOptions(const std::vector<std::string>& args, SimOptions& options,
                               std::string& error) {
    CLI::App app;
    app.set_help_flag();
    for (const Option& option : kOptions) {
        AddOption(app, option, options);
    }
    AddEnding<CLI::CallForHelp>(app, "--help");
    AddEnding<CLI::CallForVersion>(app, "--version");
    std::vector<std::string> words = CliWords(args);
    try {
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        return OptionsOutcome::Help;
    } catch (const CLI::CallForVersion&) {
        return OptionsOutcome::Version;
    } catch (const CLI::ExtrasError&) {
        error = "unknown option: " + app.remaining().front();
        return OptionsOutcome::Invalid;
    } catch (const CLI::ArgumentMismatch&) {
        // Only the last word can lack the value that would follow it.
        error = args.back() + " needs a value";
        return OptionsOutcome::Invalid;
    } catch (const CLI::ParseError& failure) {
        error = failure.what();
        return OptionsOutcome::Invalid;
    }
    // A lone "--" ends the options for CLI11, and is not counted as left over; this program takes none.
    if (!app.remaining().empty()) {
        error = "unknown option: " + app.remaining().front();
        return OptionsOutcome::Invalid;
    }
    return CheckPorts(options, error) ? OptionsOutcome::Run : OptionsOutcome::Invalid;
}

std::string SimUsage() {
    std::string usage =
        "Usage: vantrex-sim [OPTION]...\n"
        "A simulated VANTREX time server on loopback: a shell on one port, a telnet login\n"
        "(root / q9lokar58) on the other. Runs until SIGINT or SIGTERM, then exits 0.\n"
        "SIGUSR1 flips the GPS lock while it runs: getdate's status letter turns from A to V\n"
        "(from any other letter to A), and back to the original at the next SIGUSR1.\n\n"
        "Options:\n";
    for (const Option& option : kOptions) {
        const std::string separator = TakesNextWord(option) ? " " : "";
        const std::string head =
            std::string(option.name) + separator + (option.valueName ? option.valueName : "");
        usage += "  " + head + std::string(head.size() < kHelpColumn ? kHelpColumn - head.size() : 1, ' ') +
                 IndentContinuations(option.help) + "\n";
    }
    usage += "  --help                      show this text\n"
             "  --version                   show the program's version\n"
             "\nCommands answered: version, cat /etc/version, getdate (\"SECONDS.MICROS LETTER\"),\n"
             "ntpq -p [127.0.0.1], setip -i IP -g GATEWAY -s NETMASK, and the telnet form\n"
             "echo 'IP' > /usr/ipaddress, echo 'MASK' > /usr/netmask, echo 'GW' > /usr/gateway,\n"
             "touch /usr/ramdisk/reset. An address change drops every connection and both ports\n"
             "of every address for the downtime; with --follow-address the address that took the\n"
             "change comes back as the new one (the NTP service stays where it started).\n"
             "Every typed line is echoed; every answer ends with \"# \".\n"
             "\nLog format, one line each, times in milliseconds since the start (3 decimals):\n"
             "  TIME PORT TEXT                                  a received line\n"
             "  TIME PORT ntp request                           an SNTP client request (on the NTP port)\n"
             "  TIME address PORT ip=IP mask=MASK gateway=GW    an address change\n"
             "  TIME failure TEXT                               trouble the device survives\n"
             "Bytes below 32, 127 and above, backslashes, and in address values also spaces, appear as\n"
             "\\xNN (two hex digits).\n"
             "\nExit status: 0 after SIGINT or SIGTERM, and when --exit-with-parent finds the parent gone;\n"
             "2 for bad options or a port that cannot be bound at the start. Later, a port that cannot\n"
             "be bound (after an address change) is reported and tried again every second.\n";
    return usage;
}
