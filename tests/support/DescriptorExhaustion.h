#pragma once

#include <memory>
#include <vector>

// Takes every free descriptor but leaveFree, so that the code under test runs out exactly where a test
// wants it to; gives them back when it goes. The limit is lowered for the time, so that this is quick.
// POSIX only: Windows has no handle limit a test could reach, so there it fails the test that uses it.
class CDescriptorExhaustion {
public:
    explicit CDescriptorExhaustion(int leaveFree = 0);
    ~CDescriptorExhaustion();
    CDescriptorExhaustion(const CDescriptorExhaustion&) = delete;
    CDescriptorExhaustion& operator=(const CDescriptorExhaustion&) = delete;

private:
    struct SavedLimit;
    std::unique_ptr<SavedLimit> m_saved;
    std::vector<int> m_fds;
};
