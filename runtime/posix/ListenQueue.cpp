#include "runtime/ListenQueue.h"

#include <sys/socket.h>

bool WidenListenQueue(std::uintptr_t socket, int length) {
    return ::listen(static_cast<int>(socket), length) == 0;
}
