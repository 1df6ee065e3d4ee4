#pragma once

#include "Signal.h"

// Sets signal when the user or the system asks the program to end (Ctrl+C, a termination request).
// Once per process, before any other thread starts; false when it cannot be arranged. The signal must
// live until the program ends.
bool SetOnTerminationRequest(CSignal& signal);
