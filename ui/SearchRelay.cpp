#include "SearchRelay.h"

#include "runtime/WaitSet.h"

#include <utility>

CSearchRelay::CSearchRelay(CNetworkSearch& search, PostStateReport post)
    : CWorkerThread(std::string()), m_search(search), m_post(std::move(post)) {}

CSearchRelay::~CSearchRelay() {
    // The thread reads this object's parts; it must end before they go.
    Stop();
}

void CSearchRelay::Run() {
    for (;;) {
        const WaitHandle fired =
            WaitForAny(m_stopSignal, m_search.StateSignal(), m_search.ProgressSignal(), kInfinite);
        if (fired == kWaitFailed || fired == m_stopSignal.Handle()) {
            return;
        }
        // Both reset before reading: what lands in between sets them again, so the last news is never
        // lost (at worst it is posted twice, and the window reads the same counts again).
        (void)m_search.StateSignal().Reset();
        (void)m_search.ProgressSignal().Reset();
        m_post(m_search, m_search.GetReport());
    }
}
