#pragma once

#include "runtime/EventLoop.h"

#include <optional>

// This process's open descriptors, for process_open_fds. Where the system tells the count (Linux 6.2 and
// later) it is asked at every reading. Elsewhere the descriptors must be counted one by one, which takes
// 70 ms for 10,000 of them on Linux 6.1: that count is made on the loop at the start and then every few
// seconds, never on a page's path, so a scrape is never held by it and reads a count at most that old.
class CDescriptorCount {
public:
    explicit CDescriptorCount(CEventLoop& loop);
    ~CDescriptorCount();
    CDescriptorCount(const CDescriptorCount&) = delete;
    CDescriptorCount& operator=(const CDescriptorCount&) = delete;

    // The count as told now or as last counted; none when neither the system nor /proc/self/fd gives it.
    std::optional<double> Current() const;

private:
    // Counts now and again at the next turn.
    void Recount();

    CEventLoop& m_loop;
    const bool m_systemTells;
    std::optional<double> m_counted;
    LoopTimerId m_timer = 0;
};

// Counts the entries of /proc/self/fd, apart from the one the count itself holds open; none without it.
std::optional<double> CountOpenDescriptors();
