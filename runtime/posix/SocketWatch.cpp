#include "SocketWatch.h"

#include <poll.h>

CSocketWatch::CSocketWatch(int fd, short pollEvents, std::optional<WaitClock::time_point> deadline)
    : m_fd(fd), m_pollEvents(pollEvents), m_deadline(deadline) {}

bool CSocketWatch::HasFired(short revents, WaitClock::time_point now) const {
    // Errors and hang-ups end every request, as the platform's own event selection reports them. An
    // invalid descriptor wakes the waiter rather than leaving it blocked on a socket that is gone.
    const short always = POLLERR | POLLHUP | POLLNVAL;
    if ((revents & (m_pollEvents | always)) != 0) {
        return true;
    }
    return m_deadline && now >= *m_deadline;
}
