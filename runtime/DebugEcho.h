#pragma once

// Writes text to the standard error stream as one line, only when the environment variable
// VANTREX_DEBUG is "1". Every backend's DebugOutput echoes through it.
void EchoDebugLine(const char* text);
