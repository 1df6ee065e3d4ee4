#include "DeviceText.h"

#include <algorithm>
#include <cstdio>

namespace {

struct CodeRange {
    char32_t first;
    char32_t last;
};

// Characters that act instead of showing: C0, DEL and C1, and those that reorder, join, hide or break
// the text around them.
constexpr CodeRange kActing[] = {
    {0x0000, 0x001F}, // C0
    {0x007F, 0x009F}, // DEL and C1 (0x9B is CSI)
    {0x061C, 0x061C}, // Arabic letter mark
    {0x200B, 0x200F}, // zero-width spaces and joiners, left-to-right and right-to-left marks
    {0x2028, 0x202E}, // line and paragraph separators, bidirectional embeddings and overrides
    {0x2060, 0x2069}, // word joiner, invisible operators, bidirectional isolates
    {0xFEFF, 0xFEFF}, // zero-width no-break space
    {0xFFF9, 0xFFFB}, // interlinear annotation
};

bool Acts(char32_t code) {
    for (const CodeRange& range : kActing) {
        if (code >= range.first && code <= range.last) {
            return true;
        }
    }
    return false;
}

// The length of the valid UTF-8 sequence at the start of text and its code point; 0 when the first
// byte starts none (a stray continuation, an overlong form, a surrogate, beyond U+10FFFF, or cut).
std::size_t DecodeOne(std::string_view text, char32_t& code) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t index = 1; index < length; ++index) {
        const auto next = static_cast<unsigned char>(text[index]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < minimum || code > 0x10FFFF || surrogate ? 0 : length;
}

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string DeviceText(std::string_view text) {
    std::string shown;
    while (!text.empty()) {
        char32_t code = 0;
        const std::size_t length = DecodeOne(text, code);
        if (length == 0) {
            shown += Hex("\\x%02x", static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (!Acts(code)) {
            shown.append(text.substr(0, length));
        } else {
            // Below 0x80 the byte and the code point are one: \x reads as the byte a device sent.
            shown += Hex(code < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(code));
        }
        text.remove_prefix(length);
    }
    return shown;
}

std::size_t WholeCharacterLength(std::string_view text, std::size_t limit) {
    std::size_t length = std::min(limit, text.size());
    // A UTF-8 sequence has at most three continuation bytes: more are not one character anyway.
    for (int back = 0; back < 3 && length < text.size() && length > 0 &&
                       (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80;
         ++back) {
        --length;
    }
    return length;
}

std::string OutsideText(std::string_view text, std::size_t limit) {
    const std::string_view head = text.substr(0, WholeCharacterLength(text, limit));
    return DeviceText(head) + (head.size() < text.size() ? "…" : "");
}
