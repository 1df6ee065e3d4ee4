#pragma once

#include "Signal.h"
#include "WorkerThread.h"

#include <functional>

// Hands one state report of a watched worker to its consumer (the window posts it to its own thread).
using PostStateReport = std::function<void(CWorkerThread& worker, StateReport report)>;

// The relay loop: waits for stop first, then a's state signal, then b's; for each state change clears
// that worker's signal, reads its report and posts it. Returns when stop is set or the wait fails.
// Several changes between two wake-ups arrive as one report with the latest state; one report may be
// posted twice.
void RelayStates(const CSignal& stop, CWorkerThread& a, CWorkerThread& b, const PostStateReport& post);
