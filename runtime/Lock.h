#pragma once

#include <mutex>

// A non-recursive mutual-exclusion lock. Unlock must be called on the thread that locked.
class CLock {
public:
    CLock() = default;
    virtual ~CLock() = default;
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    // Blocks until this thread owns the lock.
    void Lock() { m_mutex.lock(); }
    // Releases the lock taken by Lock on this thread.
    void Unlock() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

// Holds a CLock for the length of a scope.
class CLockHold {
public:
    explicit CLockHold(CLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~CLockHold() { m_lock.Unlock(); }
    CLockHold(const CLockHold&) = delete;
    CLockHold& operator=(const CLockHold&) = delete;

private:
    CLock& m_lock;
};
