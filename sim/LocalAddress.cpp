#include "LocalAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::optional<std::uint32_t> AddressNumber(const std::string& text) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) {
        return std::nullopt;
    }
    return ntohl(parsed.s_addr);
}

std::string DottedAddress(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::optional<std::uint32_t> LocalAddressOf(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET) {
        return std::nullopt;
    }
    return ntohl(local.sin_addr.s_addr);
}
