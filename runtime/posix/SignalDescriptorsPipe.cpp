#include "SignalNative.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

bool MakeNonBlockingCloseOnExec(int fd) {
    const int statusFlags = fcntl(fd, F_GETFL);
    if (statusFlags < 0 || fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) < 0) {
        return false;
    }
    const int descriptorFlags = fcntl(fd, F_GETFD);
    return descriptorFlags >= 0 && fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) >= 0;
}

} // namespace

void OpenSignalDescriptors(int& readFd, int& writeFd) {
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) {
        return;
    }
    if (!MakeNonBlockingCloseOnExec(fds[0]) || !MakeNonBlockingCloseOnExec(fds[1])) {
        (void)close(fds[0]); // Nothing to recover: the signal stays without descriptors.
        (void)close(fds[1]);
        return;
    }
    readFd = fds[0];
    writeFd = fds[1];
}
