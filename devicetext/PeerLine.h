#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The longest remote or refid kept: the daemon cuts both to 15 characters, a wider one is not its table.
inline constexpr std::size_t kPeerNameLength = 15;
// The blanks between the words of an answer line; never a line break, since a reading is one line.
inline constexpr const char* kAnswerBlanks = " \t";

// One peer of the device's NTP daemon, as a line of its "ntpq -p" table shows it. Times are in seconds
// as the table's units give them; delay, offset and jitter in milliseconds, as printed.
struct NtpPeer {
    char tally = ' '; // '*' the system peer, '+' a candidate, '-' an outlier, 'x' a falseticker...
    std::string remote;
    std::string refid;
    int stratum = 16;
    char type = 'u';
    std::optional<std::int64_t> whenSeconds; // since the last answer; empty when it never answered ("-")
    std::int64_t pollSeconds = 0;
    unsigned reach = 0; // the last eight polls, the newest in the lowest bit (printed in octal)
    double delayMs = 0;
    double offsetMs = 0;
    double jitterMs = 0;
};

// The peer of one table line, or nothing when the line is not a whole peer line with every field in range.
// Takes the columns however the widths fell: a wide negative value that runs into the one before it
// ("1234.567-12.345") is two values.
std::optional<NtpPeer> ParsePeerLine(std::string_view line);

// How many of the last eight polls the peer answered.
int AnsweredPolls(unsigned reach);
