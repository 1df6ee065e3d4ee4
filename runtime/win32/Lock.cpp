#include "runtime/Lock.h"

#include <windows.h>

// A critical section: the lock is only ever shared between threads of this process, and entering it
// without contention does not call into the kernel.
struct CLock::Native {
    Native() { InitializeCriticalSection(&section); } // Cannot fail since Windows Vista.
    ~Native() { DeleteCriticalSection(&section); }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    CRITICAL_SECTION section;
};

CLock::CLock() : m_native(std::make_unique<Native>()) {}

CLock::~CLock() = default;

void CLock::Lock() {
    EnterCriticalSection(&m_native->section);
}

void CLock::Unlock() {
    LeaveCriticalSection(&m_native->section);
}
