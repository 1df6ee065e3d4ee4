#pragma once

#include "fleet/LoopLink.h"
#include "link/LinkTiming.h"
#include "runtime/EventLoop.h"
#include "runtime/TcpClient.h"

#include <cstdint>
#include <functional>
#include <string>

// The time limits of one port's attempt, for a device on a local network; the pacing is the link's own.
struct ProbeTiming {
    std::uint32_t connectLimitMs = 1000; // for the connect
    std::uint32_t answerLimitMs = 2000;  // for the first prompt, and again for the version's answer
    std::uint32_t pacingMs = LinkTiming{}.pacingMs; // after the prompt, before the version command

    // The whole attempt, however the host paces its bytes: a host that sends without end and never a
    // prompt would otherwise hold its place in the search for ever.
    std::uint32_t WholeLimitMs() const { return connectLimitMs + pacingMs + 2 * answerLimitMs; }
};

// How one port's attempt ended.
struct PortOutcome {
    bool answered = false;     // the port took the connection
    bool localFailure = false; // this PC could not try (no socket, no watch); says nothing of the address
    std::string firmware;      // the shell's version answer; empty when not asked or not read
};

// Told on the loop's thread, once, that an attempt has ended; Outcome holds how. It may start the next.
using ProbeEnded = std::function<void()>;

// One connection attempt to one port on an event loop. On a shell port the device's own dialogue runs
// until it has read the answer to the version command, the first command it sends, and the attempt ends
// before the dialogue's next command; on other ports the attempt ends with the connect and nothing is
// sent at all. Used on the loop's thread only.
class CPortProbe {
public:
    // loop outlives the probe.
    CPortProbe(CEventLoop& loop, ProbeEnded ended);
    ~CPortProbe();
    CPortProbe(const CPortProbe&) = delete;
    CPortProbe& operator=(const CPortProbe&) = delete;

    // Starts an attempt at address (host byte order); readShell runs the dialogue. False when the attempt
    // has ended already, without a report (see Outcome).
    bool Start(std::uint32_t address, unsigned short port, bool readShell, const ProbeTiming& timing);
    // Ends the attempt without a report and gives back its socket.
    void Stop();
    bool IsUnderWay() const { return m_underWay; }
    const PortOutcome& Outcome() const { return m_outcome; }

private:
    // Starts the connect of an attempt that sends nothing; false when it cannot.
    bool StartConnect(std::uint32_t address, unsigned short port, std::uint32_t limitMs);
    void OnConnectEvent();
    // Ends the shell's attempt once its dialogue has read the version's answer or ended on its own.
    void OnShellNews();
    // The whole attempt's time is up.
    void OnTimeUp();
    // Ends the attempt with what the shell link has shown.
    void FinishShell();
    // Keeps outcome, gives back the socket and tells the owner.
    void Finish(const PortOutcome& outcome);
    void Release();

    CEventLoop& m_loop;
    const ProbeEnded m_ended;
    CLoopLink m_shell;
    CTcpClient m_client; // the connect of an attempt that sends nothing
    bool m_watched = false;
    LoopTimerId m_timer = 0;
    bool m_underWay = false;
    PortOutcome m_outcome;
};
