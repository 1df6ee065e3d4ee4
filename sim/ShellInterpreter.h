#pragma once

#include "DeviceClock.h"
#include "GpsLock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the device's shell reports: firmware version, getdate status letter and the system peer's line.
struct DeviceSetting {
    std::string firmware = "2.4.1";
    char letter = 'A';      // as the sim starts; SIGUSR1 flips it (GpsLetter)
    int systemPeer = 1;     // 1 to 3: that peer line carries systemTally; 0: no system peer
    char systemTally = '*'; // '*', or 'o' for a system peer that gives a pulse per second
    std::optional<std::string> getdateText = std::nullopt; // every getdate answer, instead of a reading
    int unreadableGetdate = 0; // this getdate answer of a connection (1: the first) is garbage; 0: none
    std::optional<unsigned> peerReach = std::nullopt;  // the system peer's reach; empty: every poll answered
    std::optional<double> peerJitterMs = std::nullopt; // the system peer's jitter; empty: the table's own
};

// New network settings the device was given; it restarts with them.
struct AddressChange {
    std::string ip;
    std::string mask;
    std::string gateway;
};

// The shell's reply to one command line.
struct ShellReply {
    std::string answer;                   // printed lines, each ending with CR LF; may be empty
    std::optional<AddressChange> restart; // set when the command makes the device restart
};

// The device's shell: one command line in, its printed answer out. Holds the address values that
// the telnet form of the address change writes line by line until its restart line.
class CShellInterpreter {
public:
    // A shell that reports setting and reads the device time from clock; gpsFlipped tells whether its
    // status letter is flipped now.
    CShellInterpreter(DeviceSetting setting, std::function<DeviceTime()> clock, GpsFlipped gpsFlipped);

    // Runs one command line (without its line end).
    ShellReply Execute(const std::string& line);

private:
    using Words = std::vector<std::string>;
    using Handler = std::optional<ShellReply> (CShellInterpreter::*)(const std::string& line,
                                                                     const Words& words);
    struct Command {
        const char* name;
        Handler handler;
        const char* usage;
    };

    std::optional<ShellReply> Version(const std::string& line, const Words& words);
    std::optional<ShellReply> Cat(const std::string& line, const Words& words);
    std::optional<ShellReply> Getdate(const std::string& line, const Words& words);
    std::optional<ShellReply> Ntpq(const std::string& line, const Words& words);
    std::optional<ShellReply> Setip(const std::string& line, const Words& words);
    std::optional<ShellReply> EchoIntoFile(const std::string& line, const Words& words);
    std::optional<ShellReply> Touch(const std::string& line, const Words& words);

    static const Command kCommands[];

    DeviceSetting m_setting;
    std::function<DeviceTime()> m_clock;
    GpsFlipped m_gpsFlipped;
    AddressChange m_written;
    std::uint64_t m_getdateCount = 0; // wide enough never to wrap on a connection that polls for years
};
