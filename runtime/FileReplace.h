#pragma once

#include <string>

// Replaces the regular file at path with contents as one step: written to a new temporary file of a
// unique name in the same folder, synced, then renamed over it, so that a reader sees the old file or
// the new one, never half of one, and two writers never share a temporary file. A symbolic link at path
// is refused, or with FollowToRegularFile, when it leads to a regular file, that file is replaced and the
// link kept; on POSIX only when every link on the way belongs to the user running the program or to
// root, so that no other user can steer it onto a file of their choice. Anything else standing at path
// (a device, a pipe, a folder, a link to one of them or to nothing) is refused. A replaced file keeps its
// permission bits (POSIX); a new one gets 0644. No temporary file is left behind. False with the reason,
// the system's where it has one, in error.
enum class LinkAtPath { Refuse, FollowToRegularFile };
bool ReplaceWholeFile(const std::string& path, const std::string& contents, LinkAtPath link,
                      std::string& error);
