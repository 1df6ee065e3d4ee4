#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Size of the receive accumulator and of one received block, NUL included.
inline constexpr std::size_t kLinkBufferSize = 4096;

// The characters received since the last recognised prompt, bounded: when full it keeps its newest
// half from where a character starts, so that a prompt that ends at the next character is still whole, and
// so is most of a long answer.
class CReceivedText {
public:
    // Appends c; a NUL is never stored (callers drop it, the answer readers take C strings).
    void Append(char c);
    // Empties the text.
    void Clear() { m_text.clear(); }
    // Whether the text ends with prompt. Any earlier prompt was recognised when it ended and cleared the
    // text, so looking at the end is the whole search.
    bool EndsWith(std::string_view prompt) const;
    // The text, and the same NUL-terminated for the answer readers.
    std::string_view View() const { return m_text; }
    const char* CString() const { return m_text.c_str(); }
    // The text without its last character, which must exist.
    std::string_view WithoutLast() const { return View().substr(0, m_text.size() - 1); }

private:
    std::string m_text;
};
