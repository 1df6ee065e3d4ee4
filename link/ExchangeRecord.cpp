#include "ExchangeRecord.h"

#include <utility>

void CExchangeRecord::Add(DeviceExchange exchange) {
    CLockHold hold(m_lock);
    if (m_exchanges.size() == kKeptExchanges) {
        m_exchanges.pop_front();
    }
    m_exchanges.push_back(std::move(exchange));
    ++m_revision;
}

void CExchangeRecord::Clear() {
    CLockHold hold(m_lock);
    m_exchanges.clear();
    ++m_revision;
}

std::vector<DeviceExchange> CExchangeRecord::Copy() const {
    CLockHold hold(m_lock);
    return {m_exchanges.begin(), m_exchanges.end()};
}

std::uint64_t CExchangeRecord::Revision() const {
    CLockHold hold(m_lock);
    return m_revision;
}
