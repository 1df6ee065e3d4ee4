#include "SignalNative.h"

#include "runtime/WaitSet.h"

#include <cerrno>
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

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        (void)close(fd); // Nothing to recover: the descriptor is gone either way.
        fd = -1;
    }
}

} // namespace

CSignal::Native::Native() {
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) {
        return;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    if (!MakeNonBlockingCloseOnExec(m_readFd) || !MakeNonBlockingCloseOnExec(m_writeFd)) {
        CloseIfOpen(m_readFd);
        CloseIfOpen(m_writeFd);
    }
}

CSignal::Native::~Native() {
    CloseIfOpen(m_readFd);
    CloseIfOpen(m_writeFd);
}

bool CSignal::Native::Set() {
    if (m_writeFd < 0) {
        return false;
    }
    m_setCount.fetch_add(1, std::memory_order_release);
    const char byte = 1;
    for (;;) {
        if (write(m_writeFd, &byte, 1) == 1) {
            return true;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return true; // A full pipe is a set signal already.
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool CSignal::Native::Reset() {
    if (m_readFd < 0) {
        return false;
    }
    char buffer[256];
    for (;;) {
        const ssize_t got = read(m_readFd, buffer, sizeof buffer);
        if (got > 0) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        if (got == 0 || errno != EINTR) {
            return false; // The write end is ours and stays open, so this is a broken pipe object.
        }
    }
}

void CSignal::Native::AttachWatch(std::shared_ptr<CSocketWatch> watch) {
    const std::lock_guard<std::mutex> hold(m_watchMutex);
    m_watch = std::move(watch);
}

std::shared_ptr<CSocketWatch> CSignal::Native::ActiveWatch() const {
    const std::lock_guard<std::mutex> hold(m_watchMutex);
    if (m_watch && m_watch->IsActive()) {
        return m_watch;
    }
    return nullptr;
}

CSignal::CSignal() : m_native(std::make_unique<Native>()) {}

CSignal::~CSignal() = default;

bool CSignal::Set() {
    return m_native->Set();
}

bool CSignal::Reset() {
    return m_native->Reset();
}

bool CSignal::Wait(std::uint32_t ms) const {
    CWaitSet set;
    set.Add(*this);
    return Handle() != kNoSignal && WaitForAny(set, ms) == Handle();
}

WaitHandle CSignal::Handle() const {
    return m_native->m_readFd < 0 ? kNoSignal : m_native->m_readFd;
}
