#include "SignalNative.h"

#include "runtime/WaitSet.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace {

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        (void)close(fd); // Nothing to recover: the descriptor is gone either way.
        fd = -1;
    }
}

} // namespace

CSignal::Native::Native() {
    OpenSignalDescriptors(m_readFd, m_writeFd);
}

CSignal::Native::~Native() {
    if (m_writeFd == m_readFd) {
        m_writeFd = -1; // one descriptor for both ends: closed once
    }
    CloseIfOpen(m_readFd);
    CloseIfOpen(m_writeFd);
}

bool CSignal::Native::Set() {
    if (m_writeFd < 0) {
        return false;
    }
    m_setCount.fetch_add(1, std::memory_order_release);
    // Eight bytes, as an event counter takes them; a pipe takes them as one atomic write.
    const std::uint64_t one = 1;
    for (;;) {
        if (write(m_writeFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one)) {
            return true;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return true; // A full pipe or counter is a set signal already.
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
            return false; // The write end is ours and stays open, so this is a broken signal object.
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
