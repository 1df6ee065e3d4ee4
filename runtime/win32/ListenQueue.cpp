#include "runtime/ListenQueue.h"

#include <winsock2.h>

bool WidenListenQueue(std::uintptr_t socket, int length) {
    return ::listen(static_cast<SOCKET>(socket), length) == 0;
}
