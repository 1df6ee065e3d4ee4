#pragma once

#include "EventLoop.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

// The handlers of a loop's watches, by socket or signal handle. Every watch gets a generation of its own,
// which the mechanism keeps beside the readiness it reports: an event that the system reported for a
// watch forgotten (or forgotten and watched again) earlier in the same wake is then never delivered.
class CLoopWatchTable {
public:
    // Watches handle for events with handler, replacing an earlier watch of it; its new generation.
    std::uint32_t Put(WaitHandle handle, unsigned events, LoopHandler handler);
    // Changes what a watch asks for; false when handle is not watched.
    bool SetEvents(WaitHandle handle, unsigned events);
    // Forgets the watch of handle; false when there was none.
    bool Remove(WaitHandle handle);
    // Whether handle is watched.
    bool Contains(WaitHandle handle) const { return m_watches.count(handle) != 0; }
    // The generation of handle's watch; 0 (never one) when it is not watched.
    std::uint32_t GenerationOf(WaitHandle handle) const;
    std::size_t Count() const { return m_watches.size(); }

    // Calls the handler of handle's watch of generation with the ready events it asked for (errors always);
    // 1 when it called it, 0 when the watch has gone or asked for none of them.
    int Deliver(WaitHandle handle, std::uint32_t generation, unsigned events);

private:
    struct Watch {
        unsigned events = 0;
        std::uint32_t generation = 0;
        // Shared so that a handler that forgets or replaces its own watch lives until it returns.
        std::shared_ptr<LoopHandler> handler;
    };
    std::unordered_map<WaitHandle, Watch> m_watches;
    std::uint32_t m_lastGeneration = 0;
};
