#include "SignalNative.h"

#include <sys/eventfd.h>

// An event counter takes one descriptor where a pipe takes two: a fleet of devices holds many signals.
void OpenSignalDescriptors(int& readFd, int& writeFd) {
    readFd = writeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}
