#include "TelnetFilter.h"

namespace {

constexpr unsigned char kIac = 255;
constexpr unsigned char kSubnegotiationEnd = 240;   // SE
constexpr unsigned char kSubnegotiationBegin = 250; // SB
constexpr unsigned char kFirstOptionVerb = 251;     // WILL, then WONT, DO, DONT: each names one option

} // namespace

std::optional<char> CTelnetFilter::Take(unsigned char byte) {
    switch (m_state) {
    case State::Data:
        if (byte == kIac) {
            m_state = State::Command;
            return std::nullopt;
        }
        return static_cast<char>(byte);
    case State::Command:
        if (byte == kIac) {
            m_state = State::Data;
            return static_cast<char>(byte);
        }
        if (byte == kSubnegotiationBegin) {
            m_state = State::Subnegotiation;
        } else {
            // WILL, WONT, DO and DONT name an option in a third byte; every other command, an unknown
            // one too, is IAC and one byte.
            m_state = byte >= kFirstOptionVerb ? State::Option : State::Data;
        }
        return std::nullopt;
    case State::Option:
        m_state = State::Data;
        return std::nullopt;
    case State::Subnegotiation:
    case State::SubnegotiationCommand:
        break;
    }
    // Inside a subnegotiation IAC IAC is a payload byte; only IAC SE ends it.
    if (m_state == State::SubnegotiationCommand && byte == kSubnegotiationEnd) {
        m_state = State::Data;
    } else {
        m_state = m_state == State::Subnegotiation && byte == kIac ? State::SubnegotiationCommand
                                                                   : State::Subnegotiation;
    }
    return std::nullopt;
}
