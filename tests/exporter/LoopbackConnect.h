#pragma once

#include <functional>

// A TCP socket to address:port from the loopback address source, so that a test's clients come from
// addresses of their own (the server tells its clients apart by address); prepare sets the socket up before
// it connects (a small receive buffer, say). The connected socket, or -1 when the bind or connect failed.
int ConnectFrom(const char* source, const char* address, int port,
                const std::function<void(int socket)>& prepare = {});
