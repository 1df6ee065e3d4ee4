#include "ReceivedText.h"

#include "DeviceDialect.h"

namespace {

// What the text keeps of itself when it is full.
constexpr std::size_t kKeptOnOverflow = kLinkBufferSize / 2;

} // namespace

void CReceivedText::Append(char c) {
    if (m_text.size() == kLinkBufferSize - 1) {
        m_text.erase(0, m_text.size() - kKeptOnOverflow);
    }
    m_text.push_back(c);
}

bool CReceivedText::EndsWith(std::string_view prompt) const {
    return EndsWithPrompt(View(), prompt);
}
