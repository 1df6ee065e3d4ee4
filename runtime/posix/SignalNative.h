#pragma once

#include "SocketWatch.h"

#include "runtime/Signal.h"

#include <atomic>
#include <memory>
#include <mutex>

// A signal is a non-blocking pipe: a byte in it means "set". The read end is the handle that poll(2)
// waits on; the write end only ever receives the byte of Set.
struct CSignal::Native {
    Native();
    ~Native();
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    // Puts a byte into the pipe; true on success, also when the pipe is already full (still set).
    bool Set();
    // Drains the pipe; true when it is empty afterwards.
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
    // The pipe carries the wake-up; this counter carries the memory ordering of Set for the threads
    // that woke (ThreadSanitizer does not see ordering through poll).
    std::atomic<unsigned> m_setCount{0};
    mutable std::mutex m_watchMutex;
    std::shared_ptr<CSocketWatch> m_watch;
};
