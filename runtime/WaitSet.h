#pragma once

#include "Signal.h"

#include <cstddef>
#include <vector>

// The signals of one wait, in priority order and without duplicates. Built on the waiting thread's
// stack for a single WaitForAny.
class CWaitSet {
public:
    CWaitSet() = default;
    virtual ~CWaitSet() = default;
    CWaitSet(const CWaitSet&) = delete;
    CWaitSet& operator=(const CWaitSet&) = delete;

    // Appends the signal unless a signal with the same handle is already in the set.
    void Add(const CSignal& signal);
    // Number of signals in the set.
    std::size_t Count() const { return m_handles.size(); }
    // The handles in the order added; null for an empty set.
    const WaitHandle* Handles() const { return m_handles.empty() ? nullptr : m_handles.data(); }
    // The signal at position index (< Count()).
    const CSignal& SignalAt(std::size_t index) const { return *m_signals[index]; }
    // Whether a signal in the set could not be created; no wait on such a set can succeed.
    bool HoldsFailedSignal() const;

private:
    std::vector<WaitHandle> m_handles;
    std::vector<const CSignal*> m_signals;
};

// The most signals one WaitForAny can watch: the platform's limit where it has one, else SIZE_MAX.
std::size_t MostSignalsPerWait();

// Waits until one of the set's signals is set or ms milliseconds pass (kInfinite: no limit). Returns
// the handle of the first signal in set order that is set, kNothingFired on time-out, and kWaitFailed
// at once for an empty set, a set holding a signal that could not be created, or a failed wait. Never
// clears a signal.
WaitHandle WaitForAny(const CWaitSet& set, std::uint32_t ms);
// The same over the signals given, first argument first in priority.
WaitHandle WaitForAny(const CSignal& a, const CSignal& b, std::uint32_t ms);
WaitHandle WaitForAny(const CSignal& a, const CSignal& b, const CSignal& c, std::uint32_t ms);
