#include "LoopbackConnect.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

int ConnectFrom(const char* source, const char* address, int port,
                const std::function<void(int socket)>& prepare) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    if (socket < 0) {
        return -1;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &local.sin_addr);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address, &peer.sin_addr);
    if (prepare) {
        prepare(socket);
    }
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}
