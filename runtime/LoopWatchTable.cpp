#include "LoopWatchTable.h"

std::uint32_t CLoopWatchTable::Put(WaitHandle handle, unsigned events, LoopHandler handler) {
    // 0 is skipped when the count wraps: it means "not watched". A stale event would have to outlive four
    // billion watches within one wake to be taken for a new one.
    if (++m_lastGeneration == 0) {
        ++m_lastGeneration;
    }
    m_watches[handle] = Watch{events, m_lastGeneration, std::make_shared<LoopHandler>(std::move(handler))};
    return m_lastGeneration;
}

bool CLoopWatchTable::SetEvents(WaitHandle handle, unsigned events) {
    const auto found = m_watches.find(handle);
    if (found == m_watches.end()) {
        return false;
    }
    found->second.events = events;
    return true;
}

bool CLoopWatchTable::Remove(WaitHandle handle) {
    return m_watches.erase(handle) != 0;
}

std::uint32_t CLoopWatchTable::GenerationOf(WaitHandle handle) const {
    const auto found = m_watches.find(handle);
    return found == m_watches.end() ? 0 : found->second.generation;
}

int CLoopWatchTable::Deliver(WaitHandle handle, std::uint32_t generation, unsigned events) {
    const auto found = m_watches.find(handle);
    if (found == m_watches.end() || found->second.generation != generation) {
        return 0;
    }
    // A Change earlier in this wake may have dropped what the system reported.
    const unsigned wanted = events & (found->second.events | LoopError);
    if (wanted == 0) {
        return 0;
    }
    const std::shared_ptr<LoopHandler> handler = found->second.handler;
    (*handler)(wanted);
    return 1;
}
