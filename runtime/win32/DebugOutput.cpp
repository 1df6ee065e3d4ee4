#include "runtime/DebugOutput.h"
#include "runtime/DebugEcho.h"

#include <windows.h>

void DebugOutput(const char* text) {
    if (text == nullptr) {
        return;
    }
    OutputDebugStringA(text);
    EchoDebugLine(text);
}
