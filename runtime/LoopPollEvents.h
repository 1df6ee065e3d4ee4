#pragma once

#include "EventLoop.h"

// The bits of a poll-like call (poll(2), epoll, WSAPoll), which each platform numbers its own way.
struct PollBits {
    short askRead;     // asked for to hear of data
    short askWrite;    // asked for to hear of room to send
    unsigned readable; // reported when there is data
    unsigned writable; // reported when there is room
    unsigned hangUp;   // reported when the peer has gone
    unsigned errors;   // reported for an error or a descriptor that is none
};

// The events to ask for a watch of events; errors and hang-ups are reported without asking.
inline short PollEventsFor(unsigned events, const PollBits& bits) {
    short pollEvents = 0;
    if ((events & LoopReadable) != 0) {
        pollEvents |= bits.askRead;
    }
    if ((events & LoopWritable) != 0) {
        pollEvents |= bits.askWrite;
    }
    return pollEvents;
}

// What the call reported, as the loop reports it. A hang-up is also readable: the rest of the data, then
// the end, are there to be read.
inline unsigned LoopEventsOf(unsigned revents, const PollBits& bits) {
    unsigned events = 0;
    if ((revents & (bits.readable | bits.hangUp)) != 0) {
        events |= LoopReadable;
    }
    if ((revents & bits.writable) != 0) {
        events |= LoopWritable;
    }
    if ((revents & (bits.errors | bits.hangUp)) != 0) {
        events |= LoopError;
    }
    return events;
}

// The wait's time-out in the int milliseconds those calls take, for timeoutMs (kInfinite: -1, none).
inline int PollTimeoutOf(std::uint32_t timeoutMs) {
    constexpr std::uint32_t kLongest = 0x7FFFFFFF;
    return timeoutMs == kInfinite ? -1 : static_cast<int>(timeoutMs < kLongest ? timeoutMs : kLongest);
}
