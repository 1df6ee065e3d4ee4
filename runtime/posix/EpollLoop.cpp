#include "DescriptorLoop.h"
#include "PollEvents.h"

#include <cerrno>
#include <sys/epoll.h>
#include <unistd.h>
#include <vector>

static_assert(EPOLLIN == POLLIN && EPOLLOUT == POLLOUT && EPOLLERR == POLLERR && EPOLLHUP == POLLHUP &&
                  EPOLLPRI == POLLPRI,
              "epoll's readiness bits are poll's, so one translation serves both");

namespace {

// The descriptor and its watch's generation, as epoll hands them back.
std::uint64_t Tag(WaitHandle fd, std::uint32_t generation) {
    return (std::uint64_t{generation} << 32) | static_cast<std::uint32_t>(fd);
}

// Level-triggered epoll: the system keeps the interest list, so a wake costs what is ready, not what is
// watched.
class CEpollLoop final : public CDescriptorLoop {
public:
    explicit CEpollLoop(int epollFd) : m_epollFd(epollFd), m_ready(kReadyPerWake) {}
    ~CEpollLoop() override { (void)close(m_epollFd); } // Nothing to recover at the end.

    const char* MechanismName() const override { return "epoll"; }

protected:
    bool Register(WaitHandle handle, unsigned events, std::uint32_t generation, bool watched) override {
        epoll_event interest{};
        interest.events = static_cast<std::uint32_t>(PollEventsFor(events, kPollBits));
        interest.data.u64 = Tag(handle, generation);
        const int fd = static_cast<int>(handle);
        // A descriptor closed without Forget left epoll by itself; its number may be back as another.
        const int first = watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
        if (epoll_ctl(m_epollFd, first, fd, &interest) == 0) {
            return true;
        }
        const bool otherWay = watched ? errno == ENOENT : errno == EEXIST;
        return otherWay && epoll_ctl(m_epollFd, watched ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, fd, &interest) == 0;
    }

    void Unregister(WaitHandle handle) override {
        // Fails harmlessly when the descriptor was closed already, which took it out of epoll.
        (void)epoll_ctl(m_epollFd, EPOLL_CTL_DEL, static_cast<int>(handle), nullptr);
    }

    int WaitForReadiness(std::uint32_t timeoutMs) override {
        const int count =
            epoll_wait(m_epollFd, m_ready.data(), static_cast<int>(m_ready.size()), PollTimeoutOf(timeoutMs));
        if (count < 0) {
            return errno == EINTR ? 0 : -1;
        }
        int called = 0;
        // Handlers may watch and forget; the generation in each tag tells whether its watch is the same.
        for (int index = 0; index < count; ++index) {
            const std::uint64_t tag = m_ready[static_cast<std::size_t>(index)].data.u64;
            called +=
                Deliver(static_cast<WaitHandle>(tag & 0xFFFFFFFFu), static_cast<std::uint32_t>(tag >> 32),
                        LoopEventsOf(m_ready[static_cast<std::size_t>(index)].events, kPollBits));
        }
        return called;
    }

private:
    // More ready at once wait for the next wake, which does not block while they are (level-triggered).
    static constexpr std::size_t kReadyPerWake = 1024;
    const int m_epollFd;
    std::vector<epoll_event> m_ready;
};

} // namespace

std::unique_ptr<CEventLoop> CreateBestLoop() {
    const int epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (epollFd < 0) {
        return nullptr;
    }
    return std::make_unique<CEpollLoop>(epollFd);
}
