#pragma once

#include <string>

// A plain TCP client for end-to-end checks of the sim; every wait is bounded.
class CLoopbackClient {
public:
    CLoopbackClient() = default;
    // Closes the connection.
    ~CLoopbackClient();
    CLoopbackClient(const CLoopbackClient&) = delete;
    CLoopbackClient& operator=(const CLoopbackClient&) = delete;

    // Connects to address:port within timeoutMs; false when refused or timed out.
    bool Connect(const std::string& address, unsigned short port, int timeoutMs = 2000);
    // Tries to connect until the sim answers or timeoutMs pass, for a sim that is still coming up.
    bool ConnectWithin(const std::string& address, unsigned short port, int timeoutMs);
    // Sends all of text; false on failure.
    bool Send(const std::string& text);
    // Reads until the text received so far ends with tail, the peer closes or timeoutMs pass;
    // returns everything received by this call.
    std::string ReadUntil(const std::string& tail, int timeoutMs = 3000);
    // Waits up to timeoutMs for the first bytes to arrive and returns what one read takes in; empty
    // when nothing came.
    std::string ReadChunk(int timeoutMs = 3000);
    // Reads until the peer closes (true) or timeoutMs pass (false); received text goes to text.
    bool ReadUntilClosed(std::string& text, int timeoutMs = 3000);

private:
    // Reads what arrives within timeoutMs into text; false when the peer closed or failed.
    bool ReadSome(std::string& text, int timeoutMs);

    int m_fd = -1;
};
