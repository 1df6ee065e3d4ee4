#include "FoundAddress.h"

const char* FoundNote(const FoundAddress& found) {
    if (!found.firmware.empty()) {
        return "device shell answered";
    }
    if (found.shellPort) {
        return "shell did not answer as a device";
    }
    return "telnet service only; no login tried";
}
