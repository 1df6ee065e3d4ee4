#pragma once

#include <vector>

// The platform's codes, as CTcpClient::LastError reports them, for the failures the socket tests
// provoke. Each backend has its own numbers (errno values on POSIX, Windows Sockets codes on Windows).
struct SocketErrors {
    int noSocket;              // a call on an object without a socket
    int refused;               // nothing listens at the destination
    int timedOut;              // a connect outlived the connect time-out
    std::vector<int> peerGone; // a send after the peer reset the connection
};

const SocketErrors& PlatformSocketErrors();
