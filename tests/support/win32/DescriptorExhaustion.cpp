#include "tests/support/DescriptorExhaustion.h"

#include <gtest/gtest.h>

struct CDescriptorExhaustion::SavedLimit {};

CDescriptorExhaustion::CDescriptorExhaustion(int /*leaveFree*/) {
    // Kernel objects on Windows run out only when the whole system does; a test that needs this must be
    // left out of the Windows run rather than pass without its fault.
    ADD_FAILURE() << "no descriptor limit to exhaust on Windows";
}

CDescriptorExhaustion::~CDescriptorExhaustion() = default;
