#pragma once

#include <string>

// Writes text to the standard error stream as one line, only when the environment variable
// VANTREX_DEBUG is "1". Every backend's DebugOutput echoes through it.
void EchoDebugLine(const char* text);

// Whether value, that of VANTREX_DEBUG (null when it is unset), switches the echo on.
bool IsDebugSetting(const char* value);

// text as the echo writes it: one line, ending in exactly one newline of its own or the text's.
std::string DebugLine(const char* text);
