#include "NetworkSearch.h"

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
    std::vector<Slot> none;
    bool stopped = false;
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    if (!loop || !loop->WatchSignal(m_stopSignal, [&stopped](unsigned) { stopped = true; })) {
        AbandonFrom(0, none);
        SetState(SearchFailed);
        return;
    }
    const SearchState state = RunAttempts(*loop, stopped);
    loop->ForgetSignal(m_stopSignal);
    SetState(state);
}

SearchState CNetworkSearch::RunAttempts(CEventLoop& loop, const bool& stopped) {
    const std::size_t total = kPortsPerAddress * m_range.count;
    std::vector<Slot> slots(std::clamp<std::size_t>(m_settings.parallel, 1, std::max<std::size_t>(total, 1)));
    for (Slot& slot : slots) {
        // The vector is never resized: the slot stays where the probe's report finds it.
        slot.probe = std::make_unique<CPortProbe>(loop, [this, &slot] {
            EndAttempt(slot.job, slot.probe->Outcome());
            slot.job = kNoJob;
        });
    }
    std::size_t next = 0;
    while (StartIdleSlots(slots, next)) {
        if (loop.Wait() < 0) {
            AbandonFrom(next, slots);
            return SearchFailed;
        }
        if (stopped) {
            return SearchStopped;
        }
    }
    return SearchFinished;
}

bool CNetworkSearch::StartIdleSlots(std::vector<Slot>& slots, std::size_t& next) {
    const std::size_t total = kPortsPerAddress * m_range.count;
    bool anyBusy = false;
    for (Slot& slot : slots) {
        while (slot.job == kNoJob && next < total) {
            slot.job = StartAttempt(*slot.probe, next) ? next : kNoJob;
            ++next;
        }
        anyBusy = anyBusy || slot.job != kNoJob;
    }
    return anyBusy;
}

bool CNetworkSearch::StartAttempt(CPortProbe& probe, std::size_t job) {
    const bool shell = IsShellJob(job);
    const std::uint32_t address = m_range.first + static_cast<std::uint32_t>(job / kPortsPerAddress);
    if (probe.Start(address, shell ? m_settings.shellPort : m_settings.telnetPort, shell,
                    m_settings.timing)) {
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

void CNetworkSearch::AbandonFrom(std::size_t job, std::vector<Slot>& slots) {
    PortOutcome untried;
    untried.localFailure = true;
    for (Slot& slot : slots) {
        if (slot.job != kNoJob) {
            slot.probe->Stop();
            EndAttempt(slot.job, untried);
            slot.job = kNoJob;
        }
    }
    for (; job < kPortsPerAddress * m_range.count; ++job) {
        EndAttempt(job, untried);
    }
}
