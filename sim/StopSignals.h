#pragma once

#include <string>

// Turns SIGINT and SIGTERM into a readable descriptor, so that a poll loop can wait for them. The two
// signals are blocked and read through a signalfd: no handler runs asynchronously, so no signal can
// slip between a check and the wait. One instance per process, on its only thread.
class CStopSignals {
public:
    CStopSignals() = default;
    // Closes the descriptor and unblocks both signals, dropping any that are still pending.
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // Blocks both signals and opens the descriptor; false with the reason in error.
    bool Install(std::string& error);
    // Becomes readable once either signal has arrived.
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};
