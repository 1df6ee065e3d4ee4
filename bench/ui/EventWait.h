#pragma once

#include <functional>

// Runs the window thread's event loop, as the program's own loop would, and calls tick every periodMs
// until tick returns true or timeoutMs has passed. True when tick returned true. tick is also called
// once before the loop starts, so a condition that already holds costs no wait.
bool RunEventsUntil(const std::function<bool()>& tick, int periodMs, int timeoutMs);
// Runs the event loop until condition holds, checking it every millisecond, for at most timeoutMs.
bool WaitForCondition(const std::function<bool()>& condition, int timeoutMs);
// Runs the event loop for durationMs.
void RunEventsFor(int durationMs);
