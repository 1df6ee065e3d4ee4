#include "LoopbackGuard.h"

#include <arpa/inet.h>

bool IsLoopbackAddress(const std::string& text) {
    in_addr parsed{};
    return inet_pton(AF_INET, text.c_str(), &parsed) == 1 && (ntohl(parsed.s_addr) >> 24) == 127;
}
