#pragma once

#include <cstdint>

// Lets the listening TCP socket (the system's handle, as a number) hold up to length connections not
// accepted yet; on one that listens already this widens its queue. The system may cap length. False when
// it refuses.
bool WidenListenQueue(std::uintptr_t socket, int length);
