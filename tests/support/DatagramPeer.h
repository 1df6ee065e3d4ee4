#pragma once

#include <cstdint>
#include <optional>
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
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        std::uint32_t senderAddress = 0; // host byte order
        unsigned short senderPort = 0;
    };
    // Receives one datagram (up to 64 bytes) within timeoutMs; nothing when none came.
    std::optional<Datagram> Receive(int timeoutMs) const;
    // Sends bytes to address (host byte order) and port; true when all of them went.
    bool SendTo(std::uint32_t address, unsigned short port, const std::vector<std::uint8_t>& bytes) const;
    // Receives one datagram (up to 64 bytes) within timeoutMs and sends reply back to its sender; the
    // datagram received, empty when none came.
    std::vector<std::uint8_t> Echo(const std::vector<std::uint8_t>& reply, int timeoutMs) const;

private:
    std::intptr_t m_socket = -1;
    bool m_bound = false;
};
