#include "ReceivedText.h"

#include "DeviceDialect.h"

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// What the text keeps of itself when it is full.
constexpr std::size_t kKeptOnOverflow = kLinkBufferSize / 2;

} // namespace

void CReceivedText::Append(char c) {
    if (m_text.size() == kLinkBufferSize - 1) {
        // The kept text starts where a character does: what an answer shows of it is never half of one.
        std::size_t dropped = m_text.size() - kKeptOnOverflow;
        for (int more = 0; more < 3 && IsContinuationByte(m_text[dropped]); ++more) {
            ++dropped;
        }
        m_text.erase(0, dropped);
    }
    m_text.push_back(c);
}

bool CReceivedText::EndsWith(std::string_view prompt) const {
    return EndsWithPrompt(View(), prompt);
}
