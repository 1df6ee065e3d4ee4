#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <thread>

// Threads for probes, which take seconds: each is joined once it has ended, the rest at destruction.
// Start is called from one thread only.
class CProbeThreads {
public:
    CProbeThreads() = default;
    ~CProbeThreads();
    CProbeThreads(const CProbeThreads&) = delete;
    CProbeThreads& operator=(const CProbeThreads&) = delete;

    // Runs work on a thread of its own; false when the system gives none.
    bool Start(std::function<void()> work);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::list<Worker> m_workers;
};
