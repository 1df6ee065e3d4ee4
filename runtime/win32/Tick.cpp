#include "runtime/PlatformTick.h"

#include <windows.h>

std::uint32_t PlatformTickCount() {
    return GetTickCount(); // Wraps modulo 2^32 itself, exactly as the counter's users expect.
}
