#include "Listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Room for a burst of clients (a fleet's tools starting together, or hundreds of test clients) to wait
// while the loop is busy or not yet scheduled: a connection that finds the queue full waits a second
// for its SYN to be sent again. With one socket a port serving thousands of addresses, a whole fleet's
// connects meet in one queue, where real devices would each have their own: as long as the system
// allows (net.core.somaxconn caps it, 4096 by default).
constexpr int kBacklog = 65535;

int FailWith(int fd, const std::string& what, const std::string& address, unsigned short port,
             std::string& error) {
    const int saved = errno; // close() below must not overwrite the reason
    error = "cannot " + what + " " + address + ":" + std::to_string(port) + ": " + std::strerror(saved);
    if (fd >= 0) {
        close(fd);
    }
    return -1;
}

} // namespace

int OpenListener(const std::string& address, unsigned short port, std::string& error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return FailWith(fd, "create a socket for", address, port, error);
    }
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        return FailWith(fd, "set address reuse on", address, port, error);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        errno = EINVAL;
        return FailWith(fd, "parse", address, port, error);
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return FailWith(fd, "bind", address, port, error);
    }
    if (listen(fd, kBacklog) != 0) {
        return FailWith(fd, "listen on", address, port, error);
    }
    return fd;
}
