#include "ReconnectDelay.h"

#include <algorithm>

CReconnectDelay::Duration CReconnectDelay::Next() {
    const Duration delay = m_next;
    m_next = std::min(m_next * 2, kCap);
    return delay;
}
