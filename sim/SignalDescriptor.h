#pragma once

#include <csignal>
#include <initializer_list>
#include <string>

// Turns some signals into a readable descriptor, so that a poll loop can wait for them. The signals are
// blocked and read through a signalfd: no handler runs asynchronously, so no signal can slip between a
// check and the wait. One instance per set of signals, on the process's only thread.
class CSignalDescriptor {
public:
    CSignalDescriptor() = default;
    // Closes the descriptor and unblocks its signals, dropping any that are still pending.
    ~CSignalDescriptor();
    CSignalDescriptor(const CSignalDescriptor&) = delete;
    CSignalDescriptor& operator=(const CSignalDescriptor&) = delete;

    // Blocks numbers and opens the descriptor; false with the reason in error. Once per instance.
    bool Install(std::initializer_list<int> numbers, std::string& error);
    // Becomes readable once one of the signals has arrived.
    int Fd() const { return m_fd; }
    // Takes every signal that has arrived; how many. Two of one kind sent before a read count once.
    int Drain();

private:
    int m_fd = -1;
    sigset_t m_set{};
};
