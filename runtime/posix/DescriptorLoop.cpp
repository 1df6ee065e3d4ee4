#include "DescriptorLoop.h"
#include "SignalNative.h"

bool CDescriptorLoop::WatchSignal(const CSignal& signal, LoopHandler handler) {
    if (signal.Handle() == kNoSignal) {
        return false;
    }
    const CSignal::Native& native = signal.GetNative();
    return Watch(signal.Handle(), LoopReadable, [&native, handler = std::move(handler)](unsigned events) {
        // ThreadSanitizer does not see the ordering that the descriptor carries from the setter.
        native.AcquireSetterWrites();
        handler(events);
    });
}

void CDescriptorLoop::ForgetSignal(const CSignal& signal) {
    if (signal.Handle() != kNoSignal) {
        Forget(signal.Handle());
    }
}

std::unique_ptr<CEventLoop> CEventLoop::Create(LoopMechanism mechanism) {
    return mechanism == LoopMechanism::Poll ? CreatePollLoop() : CreateBestLoop();
}
