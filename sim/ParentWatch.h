#pragma once

#include <sys/types.h>

#include <string>

// What came of tying this process's life to its parent's.
enum class ParentTie { Tied, ParentEnded, Failed };

// Asks for SIGTERM once the parent thread that started this process ends, then checks that parent is
// still the parent, since one that ended before the request is never signalled. Failed leaves the
// reason in error.
ParentTie TieToParent(pid_t parent, std::string& error);
