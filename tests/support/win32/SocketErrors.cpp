#include "tests/support/SocketErrors.h"

#include <winsock2.h>

const SocketErrors& PlatformSocketErrors() {
    static const SocketErrors errors{
        WSAENOTSOCK, WSAECONNREFUSED, WSAETIMEDOUT, {WSAECONNRESET, WSAECONNABORTED}};
    return errors;
}
