#pragma once

#include <functional>

// Runs the window thread's event loop until done() holds, for at most timeoutMs; true when it held.
// done is checked before the first round, so a condition that already holds costs nothing.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs);

// Runs the event loop for durationMs, for checks that something does not happen.
void ProcessEventsFor(int durationMs);
