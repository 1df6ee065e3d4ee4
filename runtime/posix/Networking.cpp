#include "runtime/Networking.h"

#include <csignal>
#include <sys/resource.h>

namespace {

// A fleet of links needs more descriptors than the usual soft limit of 1024; the hard limit is the
// administrator's word, so it is only reached for, never passed.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        (void)setrlimit(RLIMIT_NOFILE, &limit); // Nothing lost on failure: the old limit stays.
    }
}

} // namespace

bool StartNetworking() {
    RaiseDescriptorLimit();
    // Sends already pass MSG_NOSIGNAL; ignoring SIGPIPE covers any other write to a dead connection.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGPIPE, &ignore, nullptr) == 0;
}
