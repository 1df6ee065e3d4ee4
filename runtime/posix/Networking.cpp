#include "runtime/Networking.h"

#include "runtime/DescriptorLimit.h"

#include <csignal>

bool StartNetworking() {
    // A fleet of links needs more descriptors than the usual soft limit of 1024.
    (void)RaiseDescriptorLimit();
    // Sends already pass MSG_NOSIGNAL; ignoring SIGPIPE covers any other write to a dead connection.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, nullptr) == 0;
}
