#pragma once

#include "link/DeviceDialogue.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// Plays a link's driver for one dialogue, on a clock that only the test moves: no socket, no wait.
class CDialogueDriver {
public:
    explicit CDialogueDriver(unsigned short port, const LinkTiming& timing = LinkTiming{})
        : m_dialogue(port, timing) {
        m_dialogue.Start(m_now);
        m_dialogue.OnConnected(m_now);
    }

    CDeviceDialogue& Dialogue() { return m_dialogue; }
    const CDeviceDialogue& Dialogue() const { return m_dialogue; }
    const DeviceSnapshot& Snapshot() const { return m_dialogue.Snapshot(); }
    const LinkInstant& Now() const { return m_now; }
    // The waiting command as a string, for comparisons.
    std::string Pending() const { return std::string(m_dialogue.PendingCommand()); }

    // Moves the clock on and lets the dialogue look at its limits, as a driver's wake does.
    void Advance(std::chrono::milliseconds ms) {
        m_now.monotonic += ms;
        m_now.pcMicros += std::chrono::duration_cast<std::chrono::microseconds>(ms).count();
        m_dialogue.OnTimer(m_now);
    }
    // Hands bytes to the dialogue as one received block, telnet commands included.
    void Receive(std::string_view bytes) { m_dialogue.OnReceived(bytes, m_now); }
    // Waits out the waiting command's pacing and sends all of it at once; returns what was sent.
    std::string SendPending() {
        const std::string command = Pending();
        if (m_now.monotonic < m_dialogue.SendTime()) {
            Advance(std::chrono::ceil<std::chrono::milliseconds>(m_dialogue.SendTime() - m_now.monotonic));
        }
        m_dialogue.OnSent(command.size(), m_now);
        return command;
    }
    // The device's answer to the waiting command: the command goes first, then text arrives.
    void Answer(std::string_view text) {
        SendPending();
        Receive(text);
    }
    // Whole device seconds at the driver's clock.
    std::int64_t DeviceTime() const { return Snapshot().DeviceTimeAt(m_now.monotonic); }

private:
    LinkInstant m_now{LinkClock::time_point(std::chrono::hours(1)), 1700000000000000};
    CDeviceDialogue m_dialogue;
};
