#pragma once

#include "DeviceClock.h"
#include "DeviceSession.h"
#include "NtpResponder.h"

#include <string>
#include <vector>

// Everything the simulated device's command line sets.
struct SimOptions {
    std::vector<std::string> addresses{"127.0.0.1"}; // every loopback address the device answers on
    bool addressGiven = false;                       // the first --address replaces the default
    bool oneSocketPerPort = false;                   // listen on 0.0.0.0, serving only the addresses above
    unsigned short shellPort = 5316;                 // 0: switched off
    unsigned short telnetPort = 23;                  // 0: switched off
    int downtimeMs = 5000;                           // how long an address change keeps the device away
    bool followAddress = false;  // come back at the new address (loopback only) instead of the old one
    std::string logPath;         // empty: no log
    int slowMs = 0;              // 0: send at full speed; else one byte every slowMs
    int loginDelayMs = 250;      // how long the telnet login prompt takes to appear; 0: at once
    int firstBytesDelayMs = 0;   // how long every connection's first bytes (the prompt) wait; 0: none
    int maxConnections = 4096;   // beyond it new connections are closed at once
    bool exitWithParent = false; // end with the parent process
    long long parentPid = 0;     // with exitWithParent: the parent to expect; 0: the one at start
    bool ready = false;          // print the ready line once listening
    unsigned short ntpPort = 0;  // 0: no NTP service
    std::vector<int> gpsFlipsMs; // when the GPS lock flips, ascending, after the first accepted connection
    NtpSetting ntp;
    ClockSetting clock;
    SessionConfig session; // its telnet flag is chosen per port
};

enum class OptionsOutcome { Run, Help, Version, Invalid };

// Whether text is a dotted IPv4 address in 127.0.0.0/8, the only kind the sim ever listens on.
bool IsLoopbackText(const std::string& text);

// Reads the arguments after the program name. Invalid leaves the reason in error.
OptionsOutcome ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// The --help text: every option, the answers and the log format.
std::string SimUsage();
