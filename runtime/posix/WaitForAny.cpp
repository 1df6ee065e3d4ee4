#include "SignalNative.h"

#include "runtime/WaitSet.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <memory>
#include <optional>
#include <poll.h>
#include <vector>

namespace {

using TimePoint = WaitClock::time_point;

std::optional<TimePoint> Earliest(std::optional<TimePoint> a, std::optional<TimePoint> b) {
    if (!a || !b) {
        return a ? a : b;
    }
    return std::min(*a, *b);
}

// poll(2)'s time-out for a wait that must end at limit (none: no limit), rounded up so that a wait
// never wakes just before its limit and spins.
int PollTimeout(std::optional<TimePoint> limit, TimePoint now) {
    if (!limit) {
        return -1;
    }
    if (*limit <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*limit - now).count();
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// One poll(2) over a wait set: the signals' descriptors first, in set order, then the sockets watched on
// their behalf. Built anew for every round, so a watch cancelled meanwhile is not polled again.
class CPollRound {
public:
    explicit CPollRound(const CWaitSet& set) : m_set(set) {
        for (std::size_t index = 0; index < set.Count(); ++index) {
            m_fds.push_back({static_cast<int>(set.Handles()[index]), POLLIN, 0});
        }
        for (std::size_t index = 0; index < set.Count(); ++index) {
            if (auto watch = set.SignalAt(index).GetNative().ActiveWatch()) {
                m_fds.push_back({watch->Fd(), watch->PollEvents(), 0});
                m_watched.push_back({index, std::move(watch)});
            }
        }
    }

    // The earliest connect deadline of the watched sockets.
    std::optional<TimePoint> EarliestDeadline() const {
        std::optional<TimePoint> earliest;
        for (const Watched& watched : m_watched) {
            earliest = Earliest(earliest, watched.watch->Deadline());
        }
        return earliest;
    }

    // Waits up to timeoutMs (-1: no limit); false when poll failed for another reason than a signal
    // handler.
    bool Poll(int timeoutMs) {
        const int ready = poll(m_fds.data(), static_cast<nfds_t>(m_fds.size()), timeoutMs);
        m_polled = ready >= 0;
        return m_polled || errno == EINTR;
    }

    // After a successful Poll: whether a signal's descriptor reports anything but readability, which a
    // healthy signal never does.
    bool HasBrokenSignal() const {
        return m_polled && std::any_of(m_fds.begin(), m_fds.begin() + SignalCount(),
                                       [](const pollfd& fd) { return (fd.revents & ~POLLIN) != 0; });
    }

    // Sets every signal whose socket condition holds, then returns the first signal in set order that
    // is set, or kNothingFired.
    WaitHandle FirstFired(TimePoint now) {
        std::vector<bool> fired(SignalCount(), false);
        for (std::size_t index = 0; index < SignalCount(); ++index) {
            fired[index] = m_polled && (m_fds[index].revents & POLLIN) != 0;
        }
        for (std::size_t index = 0; index < m_watched.size(); ++index) {
            const Watched& watched = m_watched[index];
            const short revents = m_polled ? m_fds[SignalCount() + index].revents : 0;
            if (watched.watch->HasFired(revents, now)) {
                // The socket sets its signal for good, as the platform's event selection does; the
                // wait reports it even if that Set fails.
                (void)m_set.SignalAt(watched.signalIndex).GetNative().Set();
                fired[watched.signalIndex] = true;
            }
        }
        const auto first = std::find(fired.begin(), fired.end(), true);
        if (first == fired.end()) {
            return kNothingFired;
        }
        const auto index = static_cast<std::size_t>(first - fired.begin());
        m_set.SignalAt(index).GetNative().AcquireSetterWrites();
        return m_set.Handles()[index];
    }

private:
    struct Watched {
        std::size_t signalIndex;
        std::shared_ptr<CSocketWatch> watch;
    };

    std::size_t SignalCount() const { return m_set.Count(); }

    const CWaitSet& m_set;
    std::vector<pollfd> m_fds;
    std::vector<Watched> m_watched;
    bool m_polled = false;
};

} // namespace

std::size_t MostSignalsPerWait() {
    // poll(2) takes as many descriptors as the process may open; that limit is what bounds a wait here.
    return SIZE_MAX;
}

WaitHandle WaitForAny(const CWaitSet& set, std::uint32_t ms) {
    if (set.Count() == 0 || set.HoldsFailedSignal()) {
        return kWaitFailed;
    }
    std::optional<TimePoint> end;
    if (ms != kInfinite) {
        end = WaitClock::now() + std::chrono::milliseconds(ms);
    }
    for (;;) {
        CPollRound round(set);
        if (!round.Poll(PollTimeout(Earliest(end, round.EarliestDeadline()), WaitClock::now())) ||
            round.HasBrokenSignal()) {
            return kWaitFailed;
        }
        const WaitHandle fired = round.FirstFired(WaitClock::now());
        if (fired != kNothingFired) {
            return fired;
        }
        if (end && WaitClock::now() >= *end) {
            return kNothingFired;
        }
    }
}
