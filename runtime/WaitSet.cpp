#include "WaitSet.h"

#include <algorithm>

void CWaitSet::Add(const CSignal& signal) {
    const WaitHandle handle = signal.Handle();
    if (std::find(m_handles.begin(), m_handles.end(), handle) != m_handles.end()) {
        return;
    }
    m_handles.push_back(handle);
    m_signals.push_back(&signal);
}

bool CWaitSet::HoldsFailedSignal() const {
    return std::find(m_handles.begin(), m_handles.end(), kNoSignal) != m_handles.end();
}

WaitHandle WaitForAny(const CSignal& a, const CSignal& b, std::uint32_t ms) {
    CWaitSet set;
    set.Add(a);
    set.Add(b);
    return WaitForAny(set, ms);
}

WaitHandle WaitForAny(const CSignal& a, const CSignal& b, const CSignal& c, std::uint32_t ms) {
    CWaitSet set;
    set.Add(a);
    set.Add(b);
    set.Add(c);
    return WaitForAny(set, ms);
}
