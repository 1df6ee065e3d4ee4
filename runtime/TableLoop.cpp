#include "TableLoop.h"

bool CTableLoop::Watch(WaitHandle socket, unsigned events, LoopHandler handler) {
    const bool watched = m_table.Contains(socket);
    const std::uint32_t generation = m_table.Put(socket, events, std::move(handler));
    if (!Register(socket, events, generation, watched)) {
        m_table.Remove(socket);
        Unregister(socket);
        return false;
    }
    return true;
}

bool CTableLoop::Change(WaitHandle socket, unsigned events) {
    if (!m_table.SetEvents(socket, events)) {
        return false;
    }
    return Register(socket, events, m_table.GenerationOf(socket), true);
}

void CTableLoop::Forget(WaitHandle socket) {
    if (m_table.Remove(socket)) {
        Unregister(socket);
    }
}
