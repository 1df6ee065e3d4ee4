#pragma once

#include "ShellInterpreter.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

// Writes bytes below 32, 127 and above, backslashes (and spaces, when asked) as \xNN, so that a log entry
// stays one line and, for address values, one field.
std::string EscapeLogText(std::string_view text, bool escapeSpaces);

// The optional log of received lines, address changes and failures the device survives, one flushed
// line each: "TIME PORT TEXT", "TIME address PORT ip=IP mask=MASK gateway=GW" and "TIME failure TEXT",
// TIME in milliseconds since the log was constructed, with three decimals.
class CSimLog {
public:
    // Starts the clock of the log's timestamps; no file is open yet.
    CSimLog();
    // Closes the file, if one is open.
    ~CSimLog();
    CSimLog(const CSimLog&) = delete;
    CSimLog& operator=(const CSimLog&) = delete;

    // Creates (or empties) the log file; false with the reason in error when it cannot.
    bool Open(const std::string& path, std::string& error);
    using Clock = std::chrono::steady_clock;

    // Records one line received at the given time; nothing happens while no file is open. The time is
    // taken before the line is answered, so that the log never shows it later than the answer left.
    void LogLine(unsigned short port, std::string_view text, Clock::time_point received);
    // Records the values of an address change made at the given time.
    void LogAddressChange(unsigned short port, const AddressChange& change, Clock::time_point made);
    // Records something the device could not do, such as bind a port, at the given time.
    void LogFailure(std::string_view text, Clock::time_point at);

private:
    void Write(const std::string& entry, Clock::time_point at);

    std::FILE* m_file = nullptr;
    Clock::time_point m_started;
};
