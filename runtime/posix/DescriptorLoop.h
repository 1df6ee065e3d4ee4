#pragma once

#include "runtime/TableLoop.h"

#include <memory>

// A loop over descriptors: a signal is watched as its read descriptor, which is readable while it is set.
class CDescriptorLoop : public CTableLoop {
public:
    bool WatchSignal(const CSignal& signal, LoopHandler handler) final;
    void ForgetSignal(const CSignal& signal) final;
};

// The mechanisms of this platform; nullptr when the system gives none.
std::unique_ptr<CEventLoop> CreatePollLoop();
std::unique_ptr<CEventLoop> CreateBestLoop();
