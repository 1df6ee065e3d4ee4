#pragma once

#include <string>

// The far end of the client tests: a listening TCP socket on a loopback address and the connections
// it accepts, written directly on POSIX sockets so that it shares no code with the client under test.
class CLoopbackListener {
public:
    // Listens on address:port with the given accept-queue length; IsListening tells whether it worked.
    CLoopbackListener(const char* address, unsigned short port, int backlog = 8);
    ~CLoopbackListener();
    CLoopbackListener(const CLoopbackListener&) = delete;
    CLoopbackListener& operator=(const CLoopbackListener&) = delete;

    // Whether the socket is bound and listening.
    bool IsListening() const { return m_fd >= 0; }
    // Accepts one connection within timeoutMs; its descriptor, or -1.
    int Accept(int timeoutMs) const;
    // Fills a listener made with backlog 0: one connection that completes but is never accepted.
    // After it, further handshakes are dropped and a connect stays under way. False on failure.
    bool FillAcceptQueue();

private:
    const std::string m_address;
    const unsigned short m_port;
    int m_fd = -1;
    int m_fillerFd = -1;
};

// Writes the whole text to a connected descriptor; false on failure.
bool SendAll(int fd, const std::string& text);
// Reads what arrives within timeoutMs (up to 4096 bytes); empty on time-out, close or failure.
std::string ReceiveSome(int fd, int timeoutMs);
// Closes the descriptor with a reset instead of an orderly shutdown.
void CloseWithReset(int fd);
// Closes the descriptor if it is open.
void CloseFd(int fd);
