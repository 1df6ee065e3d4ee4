#include "SignalWatcher.h"

#include <system_error>

namespace {

void CloseEvent(void* event) {
    (void)CloseHandle(static_cast<HANDLE>(event)); // Nothing to recover: the handle is gone either way.
}

} // namespace

SharedEvent DuplicateEvent(HANDLE event) {
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, SYNCHRONIZE, FALSE,
                         0)) {
        return nullptr;
    }
    return SharedEvent(duplicate, CloseEvent);
}

std::unique_ptr<CSignalWatcher> CSignalWatcher::Create(SOCKET wakeSocket) {
    const HANDLE arm = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (arm == nullptr || quit == nullptr) {
        for (const HANDLE event : {arm, quit}) {
            if (event != nullptr) {
                CloseEvent(event);
            }
        }
        return nullptr;
    }
    std::unique_ptr<CSignalWatcher> watcher(new CSignalWatcher(wakeSocket, arm, quit));
    try {
        watcher->m_thread = std::thread([raw = watcher.get()] { raw->Run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return watcher;
}

CSignalWatcher::CSignalWatcher(SOCKET wakeSocket, HANDLE armEvent, HANDLE quitEvent)
    : m_wakeSocket(wakeSocket), m_armEvent(armEvent), m_quitEvent(quitEvent) {}

CSignalWatcher::~CSignalWatcher() {
    (void)SetEvent(m_quitEvent); // Cannot fail on an event of our own.
    if (m_thread.joinable()) {
        m_thread.join();
    }
    CloseEvent(m_armEvent);
    CloseEvent(m_quitEvent);
}

void CSignalWatcher::Arm(std::vector<SharedEvent> events) {
    {
        const std::lock_guard<std::mutex> hold(m_mutex);
        m_armed = std::move(events);
    }
    (void)SetEvent(m_armEvent); // Cannot fail on an event of our own.
}

void CSignalWatcher::Run() {
    for (;;) {
        const HANDLE idle[] = {m_quitEvent, m_armEvent};
        const DWORD woken = WaitForMultipleObjects(2, idle, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            return;
        }
        if (woken != WAIT_OBJECT_0 + 1 || !WaitForArmedEvent()) {
            // The loop must not wait for a signal nobody watches: it learns of it at this wake.
            m_failed.store(true);
        }
        const char wake = 1;
        // A full socket already holds a wake-up.
        (void)send(m_wakeSocket, &wake, 1, 0);
        if (m_failed.load() || WaitForSingleObject(m_quitEvent, 0) == WAIT_OBJECT_0) {
            return;
        }
    }
}

bool CSignalWatcher::WaitForArmedEvent() {
    for (;;) {
        std::vector<SharedEvent> armed;
        {
            const std::lock_guard<std::mutex> hold(m_mutex);
            armed = m_armed;
        }
        std::vector<HANDLE> handles{m_quitEvent, m_armEvent};
        for (const SharedEvent& event : armed) {
            handles.push_back(event.get());
        }
        const DWORD woken =
            WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 + 1) {
            continue; // armed again, perhaps with other events
        }
        // The quit event too ends here; Run tells it from a failure.
        return woken < WAIT_OBJECT_0 + handles.size();
    }
}
