#include "tests/support/DescriptorExhaustion.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Descriptors a test process may hold while exhausted; enough for the test's own sockets and pipes.
constexpr rlim_t kLoweredLimit = 256;

} // namespace

struct CDescriptorExhaustion::SavedLimit {
    rlimit limit{};
};

CDescriptorExhaustion::CDescriptorExhaustion(int leaveFree) : m_saved(std::make_unique<SavedLimit>()) {
    getrlimit(RLIMIT_NOFILE, &m_saved->limit);
    rlimit lowered = m_saved->limit;
    lowered.rlim_cur = std::min(m_saved->limit.rlim_cur, kLoweredLimit);
    setrlimit(RLIMIT_NOFILE, &lowered);
    for (rlim_t count = 0; count < kLoweredLimit; ++count) {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            break;
        }
        m_fds.push_back(fd);
    }
    for (int freed = 0; freed < leaveFree && !m_fds.empty(); ++freed) {
        close(m_fds.back());
        m_fds.pop_back();
    }
}

CDescriptorExhaustion::~CDescriptorExhaustion() {
    for (const int fd : m_fds) {
        close(fd);
    }
    setrlimit(RLIMIT_NOFILE, &m_saved->limit);
}
