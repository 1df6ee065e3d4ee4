#pragma once

#include "runtime/Signal.h"

#include <windows.h>

// A signal is an anonymous manual-reset event; null when the event could not be created.
struct CSignal::Native {
    Native() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Native() {
        if (event != nullptr) {
            (void)CloseHandle(event); // Nothing to recover: the handle is gone either way.
        }
    }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    const HANDLE event;
};

// The event behind a handle that WaitForAny reports.
inline HANDLE EventOf(WaitHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
