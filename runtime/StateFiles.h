#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Files a program keeps for its user, such as a journal: appended to by several processes at once,
// read back, rotated. None of these calls follows a symbolic link at the file's path or writes to,
// reads from or waits on anything but a regular file. Each returns false with the reason, the
// system's where it has one, in error.

// This program's folder of per-user state, made (for this user only) if missing: on Linux
// $XDG_STATE_HOME/vantrex-config, by default ~/.local/state/vantrex-config; on Windows
// %LOCALAPPDATA%\VANTREX. folder ends without a separator.
bool ProgramStateFolder(std::string& folder, std::string& error);

// The path of name in folder, with the platform's separator.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Appends bytes to the file at path, made if missing, with one write: processes that each append whole
// lines interleave lines, never bytes. With durable, the bytes are on the disk before it returns.
// size is the file's size after the append.
bool AppendToFile(const std::string& path, std::string_view bytes, bool durable, std::uint64_t& size,
                  std::string& error);

// Renames the file at from to to, replacing any file there. A missing from is no error: nothing moves.
bool RenameFile(const std::string& from, const std::string& to, std::string& error);

// The last maxBytes of the file at path (all of it when shorter); empty for a missing file.
bool ReadFileTail(const std::string& path, std::uint64_t maxBytes, std::string& contents, std::string& error);
