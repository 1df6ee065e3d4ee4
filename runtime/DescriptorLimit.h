#pragma once

#include <cstdint>
#include <optional>

// Lifts this process's soft limit of open descriptors to its hard limit (the administrator's word, so
// only reached for, never passed) and returns the soft limit in force afterwards. Empty where nothing
// bounds descriptors short of memory: no limit set, or Windows, whose handles have no per-process
// limit worth planning around.
std::optional<std::uint64_t> RaiseDescriptorLimit();

// How many descriptors this process has open, where the system tells it without a walk of the whole table
// (Linux 6.2 and later give it as the size of /proc/self/fd); empty where it does not.
std::optional<std::uint64_t> OpenDescriptorCount();
