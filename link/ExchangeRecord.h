#pragma once

#include "DeviceExchange.h"

#include "runtime/Lock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The last exchanges of one link, kept for a window that may look at them: the link thread adds, any
// thread copies. Bounded: the oldest goes when the record is full, and each exchange is bounded itself.
class CExchangeRecord {
public:
    static constexpr std::size_t kKeptExchanges = 50;

    CExchangeRecord() = default;
    CExchangeRecord(const CExchangeRecord&) = delete;
    CExchangeRecord& operator=(const CExchangeRecord&) = delete;

    void Add(DeviceExchange exchange);
    // Forgets every exchange, as a new run starts.
    void Clear();
    // The exchanges kept, oldest first.
    std::vector<DeviceExchange> Copy() const;
    // A count that changes whenever the record does, so that a reader copies only what is new.
    std::uint64_t Revision() const;

private:
    mutable CLock m_lock;
    std::deque<DeviceExchange> m_exchanges; // guarded by m_lock
    std::uint64_t m_revision = 0;           // guarded by m_lock
};
