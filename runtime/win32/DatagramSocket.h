#pragma once

#include <winsock2.h>

#include <cstddef>
#include <cstdint>

// What the single-peer client and the shared socket both do with a datagram socket.

// The socket address of address (host byte order) and port.
sockaddr_in Ipv4SocketAddress(std::uint32_t address, unsigned short port);

// A non-blocking IPv4 datagram socket; INVALID_SOCKET on failure.
SOCKET OpenDatagramSocket();

// What one read of a datagram found.
enum class DatagramRead { Taken, None, Refused, Failed };
// Takes one waiting datagram into buffer (cut at size) and its sender (sender may be null); length is
// what the buffer holds.
DatagramRead ReceiveDatagram(SOCKET socket, std::uint8_t* buffer, std::size_t size, sockaddr_in* sender,
                             std::size_t& length);
