#include "NetworkSearch.h"

#include "runtime/Tick.h"
#include "runtime/WaitSet.h"

#include <algorithm>

namespace {

// Each address has two attempts, the shell port's (even) and the telnet port's (odd).
constexpr std::size_t kPortsPerAddress = 2;

bool IsShellJob(std::size_t job) {
    return job % kPortsPerAddress == 0;
}

std::optional<unsigned short> AnsweredPort(const PortOutcome& outcome, unsigned short port) {
    return outcome.answered ? std::optional<unsigned short>(port) : std::nullopt;
}

} // namespace

CNetworkSearch::CNetworkSearch() : CWorkerThread("network search") {}

CNetworkSearch::~CNetworkSearch() {
    Stop();
}

bool CNetworkSearch::StartSearch(const SearchRange& range, const SearchSettings& settings) {
    Stop();
    m_range = range;
    m_settings = settings;
    m_tallies.assign(range.count, Tally{});
    {
        CLockHold hold(m_lock);
        m_found.clear();
        m_untried = 0;
        m_tried = 0;
    }
    // Nothing is queued and nothing tried, whatever a failed reset leaves set.
    (void)m_foundSignal.Reset();
    (void)m_progressSignal.Reset();
    return Start();
}

std::vector<FoundAddress> CNetworkSearch::TakeFound() {
    CLockHold hold(m_lock);
    std::vector<FoundAddress> found;
    found.swap(m_found);
    return found;
}

std::size_t CNetworkSearch::UntriedCount() const {
    CLockHold hold(m_lock);
    return m_untried;
}

std::size_t CNetworkSearch::TriedCount() const {
    CLockHold hold(m_lock);
    return m_tried;
}

void CNetworkSearch::Run() {
    SetState(SearchRunning);
    SetState(RunAttempts());
}

SearchState CNetworkSearch::RunAttempts() {
    // One place in every wait belongs to the stop signal; where the platform's wait holds few signals,
    // the attempts at once are fewer.
    const std::size_t count =
        std::clamp<std::size_t>(m_settings.parallel, 1, std::max<std::size_t>(MostSignalsPerWait(), 2) - 1);
    std::vector<Slot> slots(count);
    std::size_t next = 0;
    for (;;) {
        CWaitSet set;
        set.Add(m_stopSignal);
        const std::uint32_t waitMs = StartIdleSlots(slots, next, set, TickCount());
        if (set.Count() == 1) {
            return SearchFinished;
        }
        const WaitHandle fired = WaitForAny(set, waitMs);
        if (fired == m_stopSignal.Handle()) {
            return SearchStopped;
        }
        if (fired == kWaitFailed) {
            AbandonFrom(next, slots);
            return SearchFailed;
        }
        StepBusySlots(slots, TickCount());
    }
}

std::uint32_t CNetworkSearch::StartIdleSlots(std::vector<Slot>& slots, std::size_t& next, CWaitSet& set,
                                             std::uint32_t now) {
    const std::size_t total = kPortsPerAddress * m_range.count;
    std::uint32_t waitMs = kInfinite;
    for (Slot& slot : slots) {
        while (slot.job == kNoJob && next < total) {
            slot.job = StartAttempt(slot.probe, next, now) ? next : kNoJob;
            ++next;
        }
        if (slot.job != kNoJob) {
            set.Add(slot.probe.Signal());
            waitMs = std::min(waitMs, slot.probe.MsUntilDeadline(now));
        }
    }
    return waitMs;
}

void CNetworkSearch::StepBusySlots(std::vector<Slot>& slots, std::uint32_t now) {
    // Every attempt is stepped, not only the one whose signal the wait named: several may have news, and a
    // step that finds nothing costs a call that would not block.
    for (Slot& slot : slots) {
        if (slot.job == kNoJob) {
            continue;
        }
        // Cleared before the socket is read, so that what arrives after the read wakes the next wait.
        (void)slot.probe.Signal().Reset();
        if (!slot.probe.Step(now)) {
            EndAttempt(slot.job, slot.probe.Outcome());
            slot.job = kNoJob;
        }
    }
}

bool CNetworkSearch::StartAttempt(CPortProbe& probe, std::size_t job, std::uint32_t now) {
    const bool shell = IsShellJob(job);
    const std::uint32_t address = m_range.first + static_cast<std::uint32_t>(job / kPortsPerAddress);
    if (probe.Start(address, shell ? m_settings.shellPort : m_settings.telnetPort, shell, m_settings.timing,
                    now)) {
        return true;
    }
    EndAttempt(job, probe.Outcome());
    return false;
}

void CNetworkSearch::EndAttempt(std::size_t job, const PortOutcome& outcome) {
    Tally& tally = m_tallies[job / kPortsPerAddress];
    tally.found.address = m_range.first + static_cast<std::uint32_t>(job / kPortsPerAddress);
    if (IsShellJob(job)) {
        tally.found.shellPort = AnsweredPort(outcome, m_settings.shellPort);
        tally.found.firmware = outcome.firmware;
    } else {
        tally.found.telnetPort = AnsweredPort(outcome, m_settings.telnetPort);
    }
    tally.local = tally.local || outcome.localFailure;
    if (--tally.pendingPorts > 0) {
        return;
    }
    CLockHold hold(m_lock);
    ++m_tried;
    // A failed set only delays the progress shown until the next address or the state's change.
    (void)m_progressSignal.Set();
    if (tally.local) {
        ++m_untried;
    }
    if (tally.found.shellPort || tally.found.telnetPort) {
        m_found.push_back(tally.found);
        // A failed set leaves the address queued; the state's change at the end still wakes the caller.
        (void)m_foundSignal.Set();
    }
}

void CNetworkSearch::AbandonFrom(std::size_t job, const std::vector<Slot>& slots) {
    PortOutcome untried;
    untried.localFailure = true;
    for (const Slot& slot : slots) {
        if (slot.job != kNoJob) {
            EndAttempt(slot.job, untried);
        }
    }
    for (; job < kPortsPerAddress * m_range.count; ++job) {
        EndAttempt(job, untried);
    }
}
