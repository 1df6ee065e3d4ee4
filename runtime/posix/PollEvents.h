#pragma once

#include "runtime/EventLoop.h"

#include <poll.h>

// poll(2)'s events for what a watch asks for; errors and hang-ups are reported without asking.
inline short PollEventsFor(unsigned events) {
    short pollEvents = 0;
    if ((events & LoopReadable) != 0) {
        pollEvents |= POLLIN;
    }
    if ((events & LoopWritable) != 0) {
        pollEvents |= POLLOUT;
    }
    return pollEvents;
}

// What poll(2) (or epoll, whose bits are the same on Linux) reported, as the loop reports it.
inline unsigned LoopEventsOf(unsigned revents) {
    unsigned events = 0;
    if ((revents & (POLLIN | POLLPRI)) != 0) {
        events |= LoopReadable;
    }
    if ((revents & POLLOUT) != 0) {
        events |= LoopWritable;
    }
    if ((revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        events |= LoopError;
    }
    return events;
}

// poll(2)'s time-out for timeoutMs (kInfinite: none).
inline int PollTimeoutOf(std::uint32_t timeoutMs) {
    constexpr std::uint32_t kLongest = 0x7FFFFFFF;
    return timeoutMs == kInfinite ? -1 : static_cast<int>(timeoutMs < kLongest ? timeoutMs : kLongest);
}
