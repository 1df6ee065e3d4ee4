#pragma once

#include <string>

// Replaces the regular file at path with contents as one step: written to a new temporary file of a
// unique name in the same folder, synced, then renamed over it, so that a reader sees the old file or
// the new one, never half of one, and two writers never share a temporary file. When path is a
// symbolic link to a regular file, that file is replaced and the link kept; anything else standing at
// path (a device, a pipe, a folder, a link to one of them or to nothing) is refused. No temporary file
// is left behind. False with the reason, the system's where it has one, in error.
bool ReplaceWholeFile(const std::string& path, const std::string& contents, std::string& error);
