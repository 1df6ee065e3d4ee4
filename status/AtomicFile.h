#pragma once

#include <string>

// Replaces the file at path with text as one step: written to a temporary file beside it, then
// renamed over it, so that a reader sees the old file or the new one, never half of one. False with
// the reason in error.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);
