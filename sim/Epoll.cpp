#include "Epoll.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool Control(int epollFd, int operation, int fd, std::uint64_t key, std::uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.u64 = key;
    return epoll_ctl(epollFd, operation, fd, &event) == 0;
}

} // namespace

CEpoll::~CEpoll() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool CEpoll::Open(std::string& error) {
    m_fd = epoll_create1(EPOLL_CLOEXEC);
    if (m_fd < 0) {
        error = std::string("cannot create an epoll set: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool CEpoll::Add(int fd, std::uint64_t key, std::uint32_t events) {
    return Control(m_fd, EPOLL_CTL_ADD, fd, key, events);
}

bool CEpoll::Modify(int fd, std::uint64_t key, std::uint32_t events) {
    return Control(m_fd, EPOLL_CTL_MOD, fd, key, events);
}

int CEpoll::Wait(std::span<epoll_event> events, int timeoutMs) {
    return epoll_wait(m_fd, events.data(), static_cast<int>(events.size()), timeoutMs);
}
