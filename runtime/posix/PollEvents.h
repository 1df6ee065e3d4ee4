#pragma once

#include "runtime/LoopPollEvents.h"

#include <poll.h>

// poll(2)'s bits, which are epoll's too on Linux.
inline constexpr PollBits kPollBits{POLLIN, POLLOUT, POLLIN | POLLPRI, POLLOUT, POLLHUP, POLLERR | POLLNVAL};
