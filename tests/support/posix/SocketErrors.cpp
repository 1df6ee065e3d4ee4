#include "tests/support/SocketErrors.h"

#include <cerrno>

const SocketErrors& PlatformSocketErrors() {
    static const SocketErrors errors{EBADF, ECONNREFUSED, ETIMEDOUT, {EPIPE, ECONNRESET}};
    return errors;
}
