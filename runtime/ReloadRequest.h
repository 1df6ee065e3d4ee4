#pragma once

#include "Signal.h"

// Sets signal when the system asks the program to read its configuration again (SIGHUP), as service
// managers do on reload. Once per process, before any other thread starts; false when it cannot be
// arranged. The signal must live until the program ends. Where the platform has no such request,
// nothing sets it.
bool SetOnReloadRequest(CSignal& signal);
