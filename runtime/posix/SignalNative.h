#pragma once

#include "SocketWatch.h"

#include "runtime/Signal.h"

#include <atomic>
#include <memory>
#include <mutex>

// A signal is a non-blocking descriptor pair, readable while set: an event counter on Linux (one
// descriptor for both ends), a pipe elsewhere. The read end is the handle that poll(2) waits on; the
// write end only ever receives the count of Set.
struct CSignal::Native {
    Native();
    ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    // Adds to the count; true on success, also when the pipe or counter is already full (still set).
    bool Set();
    // Drains the count; true when it is empty afterwards.
    bool Reset();
    // Called by a waiter that saw the pipe readable: makes the setter's writes visible to it.
    void AcquireSetterWrites() const { (void)m_setCount.load(std::memory_order_acquire); }

    // Replaces the socket watch that also counts as this signal (nullptr: none).
    void AttachWatch(std::shared_ptr<CSocketWatch> watch);
    // The attached watch, or nullptr when none is attached or it has been cancelled.
    std::shared_ptr<CSocketWatch> ActiveWatch() const;

    int m_readFd = -1;
    int m_writeFd = -1;

private:
    // The descriptor carries the wake-up; this counter carries the memory ordering of Set for the threads
    // that woke (ThreadSanitizer does not see ordering through poll).
    std::atomic<unsigned> m_setCount{0};
    mutable std::mutex m_watchMutex;
    std::shared_ptr<CSocketWatch> m_watch;
};

// Opens a signal's descriptors, non-blocking and closed on exec (the same one twice where a single
// descriptor serves both ends); leaves both at -1 on failure. The build picks one implementation.
void OpenSignalDescriptors(int& readFd, int& writeFd);
