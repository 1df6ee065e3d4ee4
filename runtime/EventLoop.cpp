#include "EventLoop.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

// A binary min-heap of (due time, id) with lazy cancellation: CancelTimer only drops the handler, and
// the heap entry goes when it reaches the top. Rebuilt without the dead entries once they outnumber the
// live ones, so that a timer restarted at every byte (a time-out pushed back) cannot grow it without end.
struct CEventLoop::Timers {
    struct Entry {
        Clock::time_point at;
        LoopTimerId id;
    };
    // std::push_heap keeps the greatest on top; the earliest must be.
    static bool Later(const Entry& a, const Entry& b) { return a.at != b.at ? a.at > b.at : a.id > b.id; }

    std::vector<Entry> heap;
    std::unordered_map<LoopTimerId, LoopHandler> handlers;
    LoopTimerId lastId = 0;

    void Push(Entry entry) {
        heap.push_back(entry);
        std::push_heap(heap.begin(), heap.end(), Later);
    }
    Entry Pop() {
        std::pop_heap(heap.begin(), heap.end(), Later);
        const Entry entry = heap.back();
        heap.pop_back();
        return entry;
    }
    bool IsLive(const Entry& entry) const { return handlers.count(entry.id) != 0; }

    // The due time of the earliest live timer, dropping the cancelled ones above it.
    std::optional<Clock::time_point> Earliest() {
        while (!heap.empty() && !IsLive(heap.front())) {
            (void)Pop();
        }
        if (heap.empty()) {
            return std::nullopt;
        }
        return heap.front().at;
    }

    void DropDeadEntries() {
        if (heap.size() < 64 || heap.size() <= 2 * handlers.size()) {
            return;
        }
        std::erase_if(heap, [this](const Entry& entry) { return !IsLive(entry); });
        std::make_heap(heap.begin(), heap.end(), Later);
    }
};

namespace {

// The wait's time-out for a wake at limit (none: kInfinite), rounded up so that a wait never ends just
// before its limit and spins.
std::uint32_t TimeoutUntil(std::optional<CEventLoop::Clock::time_point> limit,
                           CEventLoop::Clock::time_point now) {
    if (!limit) {
        return kInfinite;
    }
    if (*limit <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit - now).count();
    return ms >= static_cast<long long>(kInfinite) ? kInfinite - 1 : static_cast<std::uint32_t>(ms);
}

std::optional<CEventLoop::Clock::time_point> Earlier(std::optional<CEventLoop::Clock::time_point> a,
                                                     std::optional<CEventLoop::Clock::time_point> b) {
    if (!a || !b) {
        return a ? a : b;
    }
    return std::min(*a, *b);
}

} // namespace

LoopTimerId CEventLoop::StartTimer(Clock::time_point at, LoopHandler handler) {
    if (!m_timers) {
        m_timers = std::make_shared<Timers>();
    }
    const LoopTimerId id = ++m_timers->lastId;
    m_timers->handlers.emplace(id, std::move(handler));
    m_timers->Push({at, id});
    return id;
}

void CEventLoop::CancelTimer(LoopTimerId timer) {
    if (m_timers && m_timers->handlers.erase(timer) != 0) {
        m_timers->DropDeadEntries();
    }
}

int CEventLoop::Wait(std::optional<Clock::time_point> until) {
    const std::optional<Clock::time_point> earliestTimer = m_timers ? m_timers->Earliest() : std::nullopt;
    const int ready = WaitForReadiness(TimeoutUntil(Earlier(earliestTimer, until), Clock::now()));
    if (ready < 0) {
        return -1;
    }
    return ready + RunDueTimers(Clock::now());
}

int CEventLoop::RunDueTimers(Clock::time_point now) {
    if (!m_timers) {
        return 0;
    }
    // The due entries are taken off first: a timer that a handler starts for now or earlier waits for the
    // next wake (which will not block), so that a handler that keeps restarting itself cannot hold this one.
    std::vector<LoopTimerId> due;
    while (!m_timers->heap.empty() && m_timers->heap.front().at <= now) {
        due.push_back(m_timers->Pop().id);
    }
    int called = 0;
    for (const LoopTimerId id : due) {
        const auto found = m_timers->handlers.find(id);
        if (found == m_timers->handlers.end()) {
            continue; // cancelled, perhaps by a handler called just before
        }
        const LoopHandler handler = std::move(found->second);
        m_timers->handlers.erase(found);
        handler(0);
        ++called;
    }
    return called;
}
