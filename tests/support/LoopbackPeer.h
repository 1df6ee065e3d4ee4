#pragma once

#include <cstdint>
#include <string>

// An accepted connection of the far end, as the platform's sockets number it; kNoPeer for none.
using PeerSocket = std::intptr_t;
inline constexpr PeerSocket kNoPeer = -1;

// The far end of the client tests: a listening TCP socket on a loopback address and the connections
// it accepts, written directly on the platform's sockets so that it shares no code with the client under
// test.
class CLoopbackListener {
public:
    // Listens on address:port with the given accept-queue length; IsListening tells whether it worked.
    CLoopbackListener(const char* address, unsigned short port, int backlog = 8);
    ~CLoopbackListener();
    CLoopbackListener(const CLoopbackListener&) = delete;
    CLoopbackListener& operator=(const CLoopbackListener&) = delete;

    // Whether the socket is bound and listening.
    bool IsListening() const { return m_socket != kNoPeer; }
    // Accepts one connection within timeoutMs; kNoPeer when none came.
    PeerSocket Accept(int timeoutMs) const;
    // Fills a listener made with backlog 0: one connection that completes but is never accepted.
    // After it, further handshakes are dropped and a connect stays under way. False on failure.
    bool FillAcceptQueue();

private:
    const std::string m_address;
    const unsigned short m_port;
    PeerSocket m_socket = kNoPeer;
    PeerSocket m_filler = kNoPeer;
};

// Writes the whole text to a connection; false on failure.
bool SendAll(PeerSocket peer, const std::string& text);
// Reads what arrives within timeoutMs (up to 4096 bytes); empty on time-out, close or failure.
std::string ReceiveSome(PeerSocket peer, int timeoutMs);
// Closes the connection with a reset instead of an orderly shutdown.
void CloseWithReset(PeerSocket peer);
// Closes the connection if it is open.
void CloseFd(PeerSocket peer);
