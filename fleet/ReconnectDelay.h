#pragma once

#include <chrono>

// The wait before reconnecting a lost device: it doubles with every failed attempt up to a cap, and
// starts over once the device gave a complete reading again.
class CReconnectDelay {
public:
    using Duration = std::chrono::milliseconds;

    static constexpr Duration kFirst{1000};
    static constexpr Duration kCap{60000};

    // The delay before the next attempt; each call doubles the one after it.
    Duration Next();
    // The device is back: the next loss waits kFirst again.
    void Reset() { m_next = kFirst; }

private:
    Duration m_next = kFirst;
};
