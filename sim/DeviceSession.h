#pragma once

#include "LineReader.h"
#include "ShellInterpreter.h"
#include "TelnetLogin.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How one connection behaves: the dialect of its port, what the shell reports, and misbehaviour.
struct SessionConfig {
    bool telnet = false;     // login first; otherwise the shell prompt at once
    bool negotiation = true; // telnet only: option negotiation bytes before the login prompt
    DeviceSetting device;
    bool silent = false;         // never send anything
    bool noise = false;          // NUL bytes and garbage before every answer line
    bool noPrompt = false;       // answer with a long text and never show the prompt again
    bool closeMidAnswer = false; // close halfway through the first non-empty answer
    bool noRestart = false;      // take an address change and carry on where the device is
    // After an address change, the commands answered as while the network restarts before the device
    // does (or, with noRestart, before it answers as before).
    int busyAfterChange = 0;
};

// What a session makes of received bytes.
struct SessionOutput {
    std::string text;                     // bytes to send, in order
    std::vector<std::string> lines;       // every typed line received, for the log
    std::optional<AddressChange> restart; // the device restarts with these values
    bool close = false;                   // close the connection once text has been sent
};

// What the device sends on a new connection: some bytes at once, the rest once its login program has
// started (the telnet login prompt).
struct SessionGreeting {
    std::string atOnce;
    std::string afterLoginStart;
};

// One connection's conversation with the device, without any socket: bytes in, bytes out. Echoes
// every typed line as a terminal does, runs the login on the telnet port and the shell after it.
class CDeviceSession {
public:
    // A session that behaves as config says and reads the device time from clock; gpsFlipped tells
    // whether the status letter is flipped now.
    CDeviceSession(const SessionConfig& config, std::function<DeviceTime()> clock, GpsFlipped gpsFlipped);

    // What the device sends once the connection is accepted.
    SessionGreeting Open() const;

    // Takes received bytes; after a restart or a close, further bytes are ignored.
    SessionOutput Receive(std::string_view bytes);

private:
    void HandleLine(const std::string& line, SessionOutput& output);
    void RunCommand(const std::string& line, SessionOutput& output);
    // Answers a command while the network restarts, and restarts once it has; false when not busy.
    bool AnswerBusy(SessionOutput& output);
    void Restart(AddressChange change, SessionOutput& output);
    std::string Garble(const std::string& answer) const;

    SessionConfig m_config;
    CLineReader m_reader;
    CTelnetLogin m_login;
    CShellInterpreter m_interpreter;
    bool m_finished = false;
    std::optional<AddressChange> m_changeTaken; // while busy after it
    int m_busyLeft = 0;
};
