#include "StopSignals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

CStopSignals::~CStopSignals() {
    if (m_fd >= 0) {
        // A signal still pending when the mask is lifted would end the process after all.
        signalfd_siginfo info;
        while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        close(m_fd);
        const sigset_t set = StopSet();
        sigprocmask(SIG_UNBLOCK, &set, nullptr);
    }
}

bool CStopSignals::Install(std::string& error) {
    const sigset_t set = StopSet();
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        error = std::string("cannot block SIGINT and SIGTERM: ") + std::strerror(errno);
        return false;
    }
    m_fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        error = std::string("cannot open a signalfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}
