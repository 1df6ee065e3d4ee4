#include "runtime/Lock.h"

#include <mutex>

struct CLock::Native {
    std::mutex mutex;
};

CLock::CLock() : m_native(std::make_unique<Native>()) {}

CLock::~CLock() = default;

void CLock::Lock() {
    m_native->mutex.lock();
}

void CLock::Unlock() {
    m_native->mutex.unlock();
}
