#include "StateRelay.h"

#include "WaitSet.h"

namespace {

// The worker whose state signal is fired, or nullptr when the stop signal fired or the wait failed.
CWorkerThread* ReporterOf(WaitHandle fired, CWorkerThread& a, CWorkerThread& b) {
    if (fired == kNothingFired) {
        return nullptr;
    }
    if (fired == a.StateSignal().Handle()) {
        return &a;
    }
    return fired == b.StateSignal().Handle() ? &b : nullptr;
}

} // namespace

void RelayStates(const CSignal& stop, CWorkerThread& a, CWorkerThread& b, const PostStateReport& post) {
    for (;;) {
        const WaitHandle fired = WaitForAny(stop, a.StateSignal(), b.StateSignal(), kInfinite);
        CWorkerThread* reporter = ReporterOf(fired, a, b);
        if (reporter == nullptr) {
            return;
        }
        // Reset before reading: a change that lands in between sets the signal again, so the latest
        // state is never lost (at worst it is posted twice).
        reporter->StateSignal().Reset();
        post(*reporter, reporter->GetReport());
    }
}
