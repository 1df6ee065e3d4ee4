#include "FoundAddress.h"

FoundKind KindOf(const FoundAddress& found) {
    if (!found.firmware.empty()) {
        return FoundKind::Device;
    }
    return found.shellPort ? FoundKind::NotADevice : FoundKind::TelnetOnly;
}

const char* FoundNote(const FoundAddress& found) {
    switch (KindOf(found)) {
    case FoundKind::Device:
        return "device shell answered";
    case FoundKind::NotADevice:
        return "shell did not answer as a device";
    case FoundKind::TelnetOnly:
        break;
    }
    return "telnet service only; no login tried";
}
