#include "LoopbackGuard.h"

#include <arpa/inet.h>

#include <charconv>

bool IsLoopbackAddress(const std::string& text) {
    in_addr parsed{};
    return inet_pton(AF_INET, text.c_str(), &parsed) == 1 && (ntohl(parsed.s_addr) >> 24) == 127;
}

bool IsLoopbackNetwork(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos || !IsLoopbackAddress(text.substr(0, slash))) {
        return false;
    }
    const char* begin = text.data() + slash + 1;
    const char* end = text.data() + text.size();
    int prefix = 0;
    const auto [ptr, error] = std::from_chars(begin, end, prefix);
    return begin != end && error == std::errc() && ptr == end && prefix >= 8 && prefix <= 32;
}
