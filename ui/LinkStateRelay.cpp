#include "LinkStateRelay.h"

#include <utility>

CLinkStateRelay::CLinkStateRelay(CWorkerThread& a, CWorkerThread& b, PostStateReport post)
    : CWorkerThread(std::string()), m_a(a), m_b(b), m_post(std::move(post)) {}

CLinkStateRelay::~CLinkStateRelay() {
    // The thread reads this object's parts; it must end before they go.
    Stop();
}

void CLinkStateRelay::Run() {
    RelayStates(m_stopSignal, m_a, m_b, m_post);
}
