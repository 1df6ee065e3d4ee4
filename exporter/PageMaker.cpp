#include "PageMaker.h"

#include "runtime/WaitSet.h"

#include <utility>

CPageMaker::CPageMaker() : CWorkerThread("fleet page") {}

CPageMaker::~CPageMaker() {
    Stop();
}

std::uint64_t CPageMaker::Ask(std::shared_ptr<const CFleetMemory> memory, double nowUnixSeconds) {
    Order order{std::move(memory), nowUnixSeconds, ++m_asks};
    if (!IsStarted()) {
        Make(order);
        return m_asks;
    }
    {
        CLockHold hold(m_lock);
        m_order = std::move(order);
    }
    (void)m_asked.Set(); // a signal that cannot be set leaves the last page standing
    return m_asks;
}

FleetPage CPageMaker::Page() const {
    CLockHold hold(m_lock);
    return m_page;
}

std::uint64_t CPageMaker::MadeFor() const {
    CLockHold hold(m_lock);
    return m_madeFor;
}

void CPageMaker::Run() {
    while (WaitForAny(m_stopSignal, m_asked, kInfinite) == m_asked.Handle()) {
        // Reset before the order is taken: one given after it sets the signal again for the next turn.
        (void)m_asked.Reset();
        std::optional<Order> order;
        {
            CLockHold hold(m_lock);
            order = std::exchange(m_order, std::nullopt);
        }
        if (order) {
            Make(*order);
            SetState(GetState() == 1 ? 0 : 1);
        }
    }
}

void CPageMaker::Make(const Order& order) {
    auto text = std::make_shared<const std::string>(order.memory->Page(order.nowUnixSeconds));
    auto deflated = std::make_shared<const DeflatedPiece>(Deflate(*text, true));
    CLockHold hold(m_lock);
    m_page = {std::move(text), std::move(deflated)};
    m_madeFor = order.number;
}
