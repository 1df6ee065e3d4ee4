#include "tests/support/SocketErrors.h"

#include "runtime/TcpClient.h"

#include <cerrno>

const SocketErrors& PlatformSocketErrors() {
    static const SocketErrors errors{EBADF, ECONNREFUSED, ETIMEDOUT, {EPIPE, kErrorConnectionReset}};
    return errors;
}
