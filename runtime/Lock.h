#pragma once

#include <memory>

// A non-recursive mutual-exclusion lock. Unlock must be called on the thread that locked.
class CLock {
public:
    CLock();
    virtual ~CLock();
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    // Blocks until this thread owns the lock.
    void Lock();
    // Releases the lock taken by Lock on this thread.
    void Unlock();

    // Backend state; only the platform layer looks inside.
    struct Native;

private:
    std::unique_ptr<Native> m_native;
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
