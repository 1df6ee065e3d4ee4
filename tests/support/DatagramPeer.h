#pragma once

#include <cstdint>
#include <vector>

// The far end of the UDP client tests: a datagram socket bound to a loopback address, written directly
// on the platform's sockets so that it shares no code with the client under test.
class CDatagramPeer {
public:
    // Binds address:port; IsBound tells whether it worked.
    CDatagramPeer(const char* address, unsigned short port);
    ~CDatagramPeer();
    CDatagramPeer(const CDatagramPeer&) = delete;
    CDatagramPeer& operator=(const CDatagramPeer&) = delete;

    bool IsBound() const { return m_bound; }
    // Receives one datagram (up to 64 bytes) within timeoutMs and sends reply back to its sender; the
    // datagram received, empty when none came.
    std::vector<std::uint8_t> Echo(const std::vector<std::uint8_t>& reply, int timeoutMs) const;

private:
    std::intptr_t m_socket = -1;
    bool m_bound = false;
};
