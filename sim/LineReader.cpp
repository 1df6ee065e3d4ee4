#include "LineReader.h"

namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kSubnegotiationBegin = 250;
constexpr unsigned char kSubnegotiationEnd = 240;
constexpr unsigned char kFirstOptionVerb = 251; // WILL, WONT, DO and DONT take one option byte

} // namespace

std::vector<std::string> CLineReader::Feed(std::string_view bytes) {
    std::vector<std::string> lines;
    for (const char c : bytes) {
        if (IsData(static_cast<unsigned char>(c))) {
            AddData(c, lines);
        }
    }
    return lines;
}

bool CLineReader::IsData(unsigned char byte) {
    switch (m_state) {
    case TelnetState::Data:
        if (byte == kIac) {
            m_state = TelnetState::Command;
            return false;
        }
        return true;
    case TelnetState::Command:
        if (byte == kIac) { // an escaped data byte 255
            m_state = TelnetState::Data;
            return true;
        }
        m_state = byte == kSubnegotiationBegin ? TelnetState::Subnegotiation
                  : byte >= kFirstOptionVerb   ? TelnetState::Option
                                               : TelnetState::Data;
        return false;
    case TelnetState::Option:
        m_state = TelnetState::Data;
        return false;
    case TelnetState::Subnegotiation:
        if (byte == kIac) {
            m_state = TelnetState::SubnegotiationCommand;
        }
        return false;
    case TelnetState::SubnegotiationCommand:
        m_state = byte == kSubnegotiationEnd ? TelnetState::Data : TelnetState::Subnegotiation;
        return false;
    }
    return false;
}

void CLineReader::AddData(char c, std::vector<std::string>& lines) {
    if (c == '\n') {
        lines.push_back(std::move(m_line));
        m_line.clear();
    } else if (c != '\r' && m_line.size() < kMaxLineLength) {
        m_line += c;
    }
}
