#pragma once

#include "Signal.h"

// Sets signal when someone sends the program the request left to its own meaning (SIGUSR1), such as a
// simulated device's switch. Once per process, before any other thread starts; false when it cannot be
// arranged. The signal must live until the program ends. Where the platform has no such request,
// nothing sets it.
bool SetOnUserRequest(CSignal& signal);
