#pragma once

#include "WaitTypes.h"

#include <memory>

// A manual-reset event: once set it stays set, for every waiter, until Reset.
// A socket may be attached to it (CTcpClient::EventSelect); the signal then also counts as set while
// the requested socket condition holds, and a wait that sees the condition sets it for good.
class CSignal {
public:
    CSignal();
    virtual ~CSignal();
    CSignal(const CSignal&) = delete;
    CSignal& operator=(const CSignal&) = delete;

    // Sets the signal; true on success.
    bool Set();
    // Clears the signal; true on success. An attached socket condition that still holds sets it again
    // at the next wait.
    bool Reset();
    // True only when the signal is set, or becomes set, within ms milliseconds (kInfinite: no limit).
    bool Wait(std::uint32_t ms) const;
    // The identity WaitForAny reports for this signal; kNoSignal if the signal could not be created.
    WaitHandle Handle() const;

    // Backend state; only the platform layer looks inside.
    struct Native;
    Native& GetNative() const { return *m_native; }

private:
    std::unique_ptr<Native> m_native;
};
