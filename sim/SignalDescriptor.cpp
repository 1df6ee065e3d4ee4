#include "SignalDescriptor.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CSignalDescriptor::~CSignalDescriptor() {
    if (m_fd >= 0) {
        // A signal still pending when the mask is lifted would act after all.
        Drain();
        close(m_fd);
        sigprocmask(SIG_UNBLOCK, &m_set, nullptr);
    }
}

bool CSignalDescriptor::Install(std::initializer_list<int> numbers, std::string& error) {
    sigemptyset(&m_set);
    for (const int number : numbers) {
        sigaddset(&m_set, number);
    }
    if (sigprocmask(SIG_BLOCK, &m_set, nullptr) != 0) {
        error = std::string("cannot block signals: ") + std::strerror(errno);
        return false;
    }
    m_fd = signalfd(-1, &m_set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        error = std::string("cannot open a signalfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}

int CSignalDescriptor::Drain() {
    int count = 0;
    signalfd_siginfo info;
    while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        ++count;
    }
    return count;
}
