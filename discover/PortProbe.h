#pragma once

#include "link/LinkTiming.h"
#include "runtime/Signal.h"
#include "runtime/TcpClient.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The time limits of one port's attempt, for a device on a local network; the pacing is the link's own.
struct ProbeTiming {
    std::uint32_t connectLimitMs = 1000; // for the connect
    std::uint32_t answerLimitMs = 2000;  // for the first prompt, and again for the version's answer
    std::uint32_t pacingMs = LinkTiming{}.pacingMs; // after the prompt, before the version command
};

// How one port's attempt ended.
struct PortOutcome {
    bool answered = false;     // the port took the connection
    bool localFailure = false; // this PC could not try (no socket, no event); says nothing of the address
    std::string firmware;      // the shell's version answer; empty when not asked or not read
};

// One connection attempt to one port, stepped by the search thread without ever blocking: connect, and
// on a shell port read the first prompt, ask for the version once when it is the device's shell prompt
// and read the answer; then close. On other ports nothing is sent at all. The socket is set to wake
// Signal whenever there is something to step.
class CPortProbe {
public:
    CPortProbe() = default;
    CPortProbe(const CPortProbe&) = delete;
    CPortProbe& operator=(const CPortProbe&) = delete;

    // Starts a non-blocking connect to address (host byte order); readShell asks for the shell's version.
    // now is TickCount(). False when the attempt has ended already (see Outcome).
    bool Start(std::uint32_t address, unsigned short port, bool readShell, const ProbeTiming& timing,
               std::uint32_t now);
    // Takes what the socket has and the clock says; false once the attempt has ended and its socket closed.
    bool Step(std::uint32_t now);
    // Milliseconds from now until Step must run although the socket is quiet.
    std::uint32_t MsUntilDeadline(std::uint32_t now) const;
    CSignal& Signal() { return m_signal; }
    const PortOutcome& Outcome() const { return m_outcome; }

private:
    enum class Phase { Idle, Connecting, AwaitingPrompt, Pacing, AwaitingVersion };

    bool StepConnect(std::uint32_t now);
    // Reads what has arrived, a few blocks at most; false when the connection ended.
    bool ReceiveAvailable();
    // Moves on when the received text ends with the shell prompt.
    void OnReceived(std::uint32_t now);
    bool SendVersionCommand(std::uint32_t now);
    void Enter(Phase phase, std::uint32_t now, std::uint32_t limitMs);
    void StoreReceived(const char* data, std::size_t length);
    void ClearReceived();
    // Ends the attempt and closes the socket; returns false for Step to pass on.
    bool Finish();

    static constexpr std::size_t kReceivedSize = 512;

    CTcpClient m_client;
    CSignal m_signal;
    ProbeTiming m_timing;
    Phase m_phase = Phase::Idle;
    bool m_readShell = false;
    std::uint32_t m_phaseStart = 0;
    std::uint32_t m_phaseLimitMs = 0;
    PortOutcome m_outcome;
    char m_received[kReceivedSize] = {};
    std::size_t m_receivedLength = 0;
    std::size_t m_receivedTotal = 0; // every byte of this attempt, kept or not
};
