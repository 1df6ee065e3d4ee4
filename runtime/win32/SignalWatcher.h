#pragma once

#include <winsock2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// An event handle that closes itself with its last owner.
using SharedEvent = std::shared_ptr<void>;

// WSAPoll waits on sockets only, so a loop's signals (events) are waited on by this thread, which sends a
// datagram to the loop's wake socket when one of them is set. Armed by the loop before it blocks, it sends
// one datagram and then waits to be armed again: an event that stays set does not flood the socket.
class CSignalWatcher {
public:
    // The most events one watcher waits on: WaitForMultipleObjects takes 64 handles, two are its own.
    static constexpr std::size_t kMostEvents = MAXIMUM_WAIT_OBJECTS - 2;

    // A watcher that wakes wakeSocket (a datagram socket connected to itself); nullptr when its thread or
    // events could not be made.
    static std::unique_ptr<CSignalWatcher> Create(SOCKET wakeSocket);
    ~CSignalWatcher();
    CSignalWatcher(const CSignalWatcher&) = delete;
    CSignalWatcher& operator=(const CSignalWatcher&) = delete;

    // Waits on events (at most kMostEvents) until one is set, then wakes the socket once.
    void Arm(std::vector<SharedEvent> events);
    // Whether the thread's wait failed: it has woken the socket a last time and watches nothing more.
    bool HasFailed() const { return m_failed.load(); }

private:
    CSignalWatcher(SOCKET wakeSocket, HANDLE armEvent, HANDLE quitEvent);
    void Run();
    // Waits until one of the armed events is set; false when the watcher is to end.
    bool WaitForArmedEvent();

    const SOCKET m_wakeSocket;
    const HANDLE m_armEvent;
    const HANDLE m_quitEvent;
    std::mutex m_mutex;
    std::vector<SharedEvent> m_armed; // guarded by m_mutex
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
};

// A duplicate of event that the watcher may wait on while the signal's owner closes its own; nullptr on
// failure.
SharedEvent DuplicateEvent(HANDLE event);
