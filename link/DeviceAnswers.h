#pragma once

#include "LinkState.h"

#include "devicetext/PeerTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Readers of the device's answers. Each takes the NUL-terminated text received up to the shell prompt
// that ends the answer and looks only at what follows the first occurrence of the answer's marker.

// The longest firmware version line kept.
inline constexpr std::size_t kVersionLength = 16;

// The last device second that is read, 9999-12-31 23:59:59 UTC: the window's calendar ends there, and
// in microseconds it stays far below 2^63, so no offset computed from a reading can overflow. Readings
// before 1970 are refused too: the device counts from then, and the window shows no earlier time.
inline constexpr std::int64_t kDeviceSecondsLimit = 253402300799;

// One reading of the device clock as the device prints it after "getdate".
struct DeviceClockReading {
    std::int64_t seconds = 0; // since 1970-01-01 00:00 UTC, 0 to kDeviceSecondsLimit
    std::int64_t micros = 0;  // a whole number, as printed: 5 means 5 microseconds; below a second
    char status = '\0';       // a letter: 'A' GPS locked, 'M' MAC address not assigned, else not locked
};

// The version line after marker (at most kVersionLength characters, pointing into text); nothing when
// the marker is absent or no non-empty line ends after it.
std::optional<std::string_view> ParseVersionAnswer(const char* text, const char* marker);

// The most of an unreadable answer that is kept: enough to see what came instead.
inline constexpr std::size_t kUnreadableTextLength = 200;

// An answer that came whole, ended by the prompt, but could not be read: the command it answered, as its
// echo reads ("getdate"), and what came instead (at most kUnreadableTextLength bytes, as received).
struct UnreadableAnswer {
    std::string command;
    std::string text;
};

// What text, the received text up to a prompt, holds after the echo marker: without the line breaks
// around it and without the prompt that ends it; all of it before the prompt when the marker is absent.
std::string_view AnswerText(std::string_view text, std::string_view marker);

// Reads "<seconds>.<micros> <letter>" from the start of text (blanks before the seconds allowed):
// nothing unless all three parts are there, on one line, each in its range.
std::optional<DeviceClockReading> ReadDeviceClock(const char* text);

// The clock reading after the getdate marker; nothing when the marker is absent or the reading is not.
std::optional<DeviceClockReading> ParseGetdateAnswer(const char* text);

// Reads the peer table after marker line by line as the lines arrive, keeping how far the table has got
// and its first kKeptPeers peers: a table of any length is read in bounded space.
class CPeerTableReader {
public:
    // marker must outlive the reader (the dialects' markers are string literals).
    explicit CPeerTableReader(std::string_view marker = {}) : m_marker(marker) {}

    // Takes one line without its line break; blank lines between the table's lines are skipped.
    void OnLine(std::string_view line);
    // Whether the first or second peer line after the table's rule starts with '*' (a system peer is
    // selected); false also while those lines have not arrived.
    bool Result() const { return m_result; }
    // The peers of the lines after the rule that read as peer lines; the others are skipped.
    const PeerTable& Table() const { return m_table; }

private:
    enum class Stage { Marker, Rule, FirstPeer, SecondPeer, Done };

    void TakePeer(std::string_view line);

    std::string_view m_marker;
    Stage m_stage = Stage::Marker;
    bool m_result = false;
    PeerTable m_table;
};

// A CPeerTableReader that took the whole text's lines (CR and LF each end one; the unended rest is a
// line too).
CPeerTableReader ReadPeerTable(const char* text, const char* marker);

// The lamp of ReadPeerTable: whether a system peer is selected.
bool ParsePeerTable(const char* text, const char* marker);
