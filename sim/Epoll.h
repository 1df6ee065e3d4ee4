#pragma once

#include <sys/epoll.h>

#include <cstdint>
#include <span>
#include <string>

// One level-triggered epoll set: each descriptor carries a key that tells its owner what it is, so that a
// wake costs what became ready, not what is watched.
class CEpoll {
public:
    CEpoll() = default;
    // Closes the set; the descriptors in it stay open.
    ~CEpoll();
    CEpoll(const CEpoll&) = delete;
    CEpoll& operator=(const CEpoll&) = delete;

    // Creates the set; false with the system's reason in error.
    bool Open(std::string& error);
    // Watches fd for events; false with errno set. A closed descriptor leaves the set by itself.
    bool Add(int fd, std::uint64_t key, std::uint32_t events);
    bool Modify(int fd, std::uint64_t key, std::uint32_t events);
    // Waits up to timeoutMs for readiness; how many of events it filled, or -1 with errno set.
    int Wait(std::span<epoll_event> events, int timeoutMs);

private:
    int m_fd = -1;
};
