#pragma once

#include <sys/resource.h>
#include <vector>

// Takes every free descriptor but leaveFree, so that the code under test runs out exactly where a test
// wants it to; gives them back when it goes. The limit is lowered for the time, so that this is quick.
class CDescriptorExhaustion {
public:
    explicit CDescriptorExhaustion(int leaveFree = 0);
    ~CDescriptorExhaustion();
    CDescriptorExhaustion(const CDescriptorExhaustion&) = delete;
    CDescriptorExhaustion& operator=(const CDescriptorExhaustion&) = delete;

private:
    rlimit m_saved{};
    std::vector<int> m_fds;
};
