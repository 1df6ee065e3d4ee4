#include "LogicTimers.h"

#include <algorithm>

void CLogicTimers::Start(int id, int periodMs) {
    Stop(id);
    m_running[id] = m_owner.startTimer(periodMs, m_type);
}

void CLogicTimers::Stop(int id) {
    if (const auto running = m_running.find(id); running != m_running.end()) {
        m_owner.killTimer(running->second);
        m_running.erase(running);
    }
}

std::optional<int> CLogicTimers::IdOf(int qtTimerId) const {
    const auto running =
        std::ranges::find_if(m_running, [qtTimerId](const auto& entry) { return entry.second == qtTimerId; });
    return running == m_running.end() ? std::nullopt : std::optional<int>(running->first);
}
