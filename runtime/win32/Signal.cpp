#include "SignalNative.h"

CSignal::CSignal() : m_native(std::make_unique<Native>()) {}

CSignal::~CSignal() = default;

bool CSignal::Set() {
    return m_native->event != nullptr && SetEvent(m_native->event) != FALSE;
}

bool CSignal::Reset() {
    return m_native->event != nullptr && ResetEvent(m_native->event) != FALSE;
}

bool CSignal::Wait(std::uint32_t ms) const {
    // A failed signal has no event: the wait fails at once instead of passing null to the platform.
    return m_native->event != nullptr && WaitForSingleObject(m_native->event, ms) == WAIT_OBJECT_0;
}

WaitHandle CSignal::Handle() const {
    return m_native->event == nullptr ? kNoSignal : reinterpret_cast<WaitHandle>(m_native->event);
}
