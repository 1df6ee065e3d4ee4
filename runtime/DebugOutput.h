#pragma once

// Diagnostic text for a developer: silent unless the environment variable VANTREX_DEBUG is "1", then
// written to the standard error stream, one call per line.
void DebugOutput(const char* text);
