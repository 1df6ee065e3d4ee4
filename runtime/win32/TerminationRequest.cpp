#include "runtime/TerminationRequest.h"

#include <windows.h>

namespace {

CSignal* g_termination = nullptr;

// Windows calls this on a thread of its own, so setting the signal needs no care beyond CSignal's.
BOOL WINAPI OnConsoleControl(DWORD /*controlType*/) {
    (void)g_termination->Set();
    // Handled: Ctrl+C and Ctrl+Break leave the ending to the program. After a close, log-off or shutdown
    // Windows ends the process itself once this returns.
    return TRUE;
}

} // namespace

bool SetOnTerminationRequest(CSignal& signal) {
    g_termination = &signal;
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
}
