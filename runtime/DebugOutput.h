#pragma once

// Diagnostic text for a developer: to the debugger where the platform has one, and to the standard
// error stream, one call per line, when the environment variable VANTREX_DEBUG is "1".
void DebugOutput(const char* text);

// Switches the echo on the standard error stream on, as VANTREX_DEBUG=1 does, for a program asked for
// it on its command line.
void EnableDebugOutput();
