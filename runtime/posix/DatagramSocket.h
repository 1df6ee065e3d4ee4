#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// What the single-peer client and the shared socket both do with a datagram socket.

// The socket address of address (host byte order) and port.
sockaddr_in Ipv4SocketAddress(std::uint32_t address, unsigned short port);

// A non-blocking, close-on-exec IPv4 datagram socket whose arrivals the kernel stamps; -1 on failure.
int OpenDatagramSocket();

// Takes one waiting datagram into buffer (cut at size) and its sender (sender may be null): its length,
// or -1 with errno set. arrivalUnixMicros is the kernel's stamp, else the time of the read; stamped (may be
// null) says which.
ssize_t ReceiveDatagram(int fd, std::uint8_t* buffer, std::size_t size, sockaddr_in* sender,
                        std::int64_t& arrivalUnixMicros, bool* stamped = nullptr);
