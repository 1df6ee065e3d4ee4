#pragma once

#include "runtime/WorkerThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

// The window thread's message queue: a relay posts, the test thread takes.
class CPostedReports {
public:
    struct Posted {
        const CWorkerThread* worker;
        StateReport report;
        std::thread::id poster;
    };

    void Post(const CWorkerThread& worker, StateReport report) {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back({&worker, report, std::this_thread::get_id()});
        m_arrived.notify_one();
    }

    // The oldest report, or nothing once deadline has passed.
    std::optional<Posted> Take(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_until(lock, deadline, [this] { return !m_posted.empty(); })) {
            return std::nullopt;
        }
        const Posted oldest = m_posted.front();
        m_posted.pop_front();
        return oldest;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Posted> m_posted;
};
