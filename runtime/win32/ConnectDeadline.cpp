#include "ConnectDeadline.h"

namespace {

void CALLBACK SetEventAtDeadline(PVOID event, BOOLEAN /*timerFired*/) {
    (void)SetEvent(static_cast<HANDLE>(event)); // A timer thread has nobody to report a failure to.
}

} // namespace

void CConnectDeadline::Start(std::uint32_t ms) {
    Disarm();
    m_end = GetTickCount64() + ms;
    m_running = true;
}

void CConnectDeadline::Clear() {
    Disarm();
    m_running = false;
}

bool CConnectDeadline::HasPassed() const {
    return m_running && GetTickCount64() >= m_end;
}

bool CConnectDeadline::Arm(HANDLE event) {
    Disarm();
    const HANDLE process = GetCurrentProcess();
    if (!DuplicateHandle(process, event, process, &m_event, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        m_event = nullptr;
        return false;
    }
    const ULONGLONG now = GetTickCount64();
    const auto remaining = static_cast<DWORD>(m_end > now ? m_end - now : 0);
    if (!CreateTimerQueueTimer(&m_timer, nullptr, SetEventAtDeadline, m_event, remaining, 0,
                               WT_EXECUTEONLYONCE)) {
        const DWORD error = GetLastError();
        m_timer = nullptr;
        Disarm();
        SetLastError(error); // Closing the duplicate must not hide why the timer failed.
        return false;
    }
    return true;
}

void CConnectDeadline::Disarm() {
    if (m_timer != nullptr) {
        // INVALID_HANDLE_VALUE: return only once a callback that already started has finished, so the
        // duplicate event is never closed under it.
        (void)DeleteTimerQueueTimer(nullptr, m_timer, INVALID_HANDLE_VALUE);
        m_timer = nullptr;
    }
    if (m_event != nullptr) {
        (void)CloseHandle(m_event);
        m_event = nullptr;
    }
}
