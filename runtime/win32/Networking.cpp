#include "runtime/Networking.h"

#include <winsock2.h>

bool StartNetworking() {
    // Never cleaned up: sockets are used until the process ends, which releases Windows Sockets too.
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
