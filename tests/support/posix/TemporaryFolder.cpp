#include "tests/support/TemporaryFolder.h"

#include <cstdlib>

std::string MakeTemporaryFolder(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + "XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}
