#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback listener whose accept queue is already full: the kernel drops every further handshake,
// so a connect to it is never answered, like a connect to an address where nothing is.
class CUnansweringListener {
public:
    CUnansweringListener(const char* address, unsigned short port) {
        sockaddr_in endpoint{};
        endpoint.sin_family = AF_INET;
        endpoint.sin_port = htons(port);
        if (inet_pton(AF_INET, address, &endpoint.sin_addr) != 1) {
            return;
        }
        const sockaddr* target = reinterpret_cast<const sockaddr*>(&endpoint);
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        if (m_listener < 0 || setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
            bind(m_listener, target, sizeof endpoint) != 0 || listen(m_listener, 0) != 0) {
            return;
        }
        // With a backlog of 0 the queue holds one connection; this one fills it and is never accepted.
        m_filler = socket(AF_INET, SOCK_STREAM, 0);
        if (m_filler < 0 || fcntl(m_filler, F_SETFL, O_NONBLOCK) != 0) {
            return;
        }
        (void)connect(m_filler, target, sizeof endpoint); // under way; the poll below tells the outcome
        pollfd established{m_filler, POLLOUT, 0};
        m_ready = poll(&established, 1, 2000) == 1 && established.revents == POLLOUT;
    }
    ~CUnansweringListener() {
        for (int fd : {m_filler, m_listener}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
    CUnansweringListener(const CUnansweringListener&) = delete;
    CUnansweringListener& operator=(const CUnansweringListener&) = delete;

    // Whether the listener is bound and its queue is full.
    bool IsReady() const { return m_ready; }

private:
    int m_listener = -1;
    int m_filler = -1;
    bool m_ready = false;
};
