// The telnet command skipper over any bytes in any blocks: it never gives more data than it took, data
// escaped as telnet escapes it comes back unchanged, and after any input it is back in the data within
// the subnegotiation limit.
#include "FuzzInput.h"

#include "link/TelnetFilter.h"

#include <string>
#include <string_view>

namespace {

void FeedInto(CTelnetFilter& filter, std::string_view bytes, std::string& data) {
    for (const char c : bytes) {
        if (const std::optional<char> taken = filter.Take(static_cast<unsigned char>(c))) {
            data += *taken;
        }
    }
}

std::string Escaped(std::string_view bytes) {
    std::string escaped;
    for (const char c : bytes) {
        escaped += c;
        if (static_cast<unsigned char>(c) == 255) {
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    CTelnetFilter filter;
    std::string taken;
    ForEachBlock(input, [&](std::string_view block) { FeedInto(filter, block, taken); });
    FuzzCheck(taken.size() <= input.bytes.size(), "no more data than bytes");

    // Whatever command the input left open ends with one byte and IAC SE (the byte ends any command but a
    // subnegotiation, which IAC SE then ends); after it, escaped data passes whole.
    std::string after;
    FeedInto(filter, "x\xff\xf0", after);
    after.clear();
    FeedInto(filter, Escaped(input.bytes), after);
    FuzzCheck(after == input.bytes, "escaped data comes back unchanged");
    return 0;
}
