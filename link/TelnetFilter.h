#pragma once

#include <cstddef>
#include <optional>

// Longest subnegotiation (IAC SB ... IAC SE, all of it) that is skipped: far longer than any option a
// server sends at login, and short enough that a lost IAC SE costs only a little of the text after it.
inline constexpr std::size_t kTelnetSubnegotiationLimit = 256;

// Separates the telnet commands in a received byte stream from its data, one byte at a time, so that a
// command cut between two received blocks is skipped on into the next. Commands are dropped, never
// answered.
class CTelnetFilter {
public:
    // The data byte that byte carries, or nothing when it belongs to a telnet command.
    std::optional<char> Take(unsigned char byte);

private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    State m_state = State::Data;
    std::size_t m_subnegotiationLength = 0;
};
