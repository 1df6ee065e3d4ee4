#include "KissCode.h"

#include <cstdint>
#include <string_view>

namespace {

struct KissMeaning {
    std::string_view code;
    const char* meaning;
};

// The codes a server sends to a client; DENY, RSTR and RATE ask the client to stop or slow down.
constexpr KissMeaning kMeanings[] = {
    {"DENY", "access denied"},
    {"RSTR", "access denied by policy"},
    {"RATE", "rate exceeded"},
    {"INIT", "not yet synchronised"},
    {"STEP", "time stepped, not yet synchronised again"},
    {"AUTH", "authentication failed"},
    {"CRYP", "cryptographic authentication failed"},
    {"NKEY", "no key found"},
};

// The code's letters and digits: anything else could break the report line it ends up in.
std::string CodeText(std::uint32_t referenceId) {
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((referenceId >> shift) & 0xFF);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            code += c;
        }
    }
    return code;
}

} // namespace

std::optional<std::string> KissOfDeath(const SntpPacket& answer) {
    if (answer.stratum != 0) {
        return std::nullopt;
    }
    const std::string code = CodeText(answer.referenceId);
    if (code.empty()) {
        return "kiss-o'-death without a code";
    }
    for (const KissMeaning& known : kMeanings) {
        if (known.code == code) {
            return "kiss code " + code + " (" + known.meaning + ")";
        }
    }
    return "kiss code " + code;
}
