#include "NtpHistoryStore.h"

CNtpHistory CNtpHistoryStore::Take(std::uint32_t address, Clock::time_point now) const {
    CLockHold hold(m_lock);
    const auto found = m_histories.find(address);
    return found == m_histories.end() || found->second.MayAsk(now) ? CNtpHistory{} : found->second;
}

void CNtpHistoryStore::Keep(std::uint32_t address, const CNtpHistory& history, Clock::time_point now) {
    CLockHold hold(m_lock);
    m_histories.insert_or_assign(address, history);
    std::erase_if(m_histories, [now](const auto& kept) { return kept.second.MayAsk(now); });
}
