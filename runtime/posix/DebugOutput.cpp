#include "runtime/DebugOutput.h"
#include "runtime/DebugEcho.h"

void DebugOutput(const char* text) {
    EchoDebugLine(text); // No debugger channel on POSIX: the echo is the whole output.
}
