#pragma once

#include <optional>

// Separates the telnet commands in a received byte stream from its data, one byte at a time, so that a
// command cut between two received blocks is skipped on into the next. Commands are dropped, never
// answered. A subnegotiation (IAC SB ... IAC SE) is skipped whole however long it is, in constant space:
// none of its bytes is data, so none can be taken for a prompt; a device that never ends one shows no
// more text, as a silent one.
class CTelnetFilter {
public:
    // The data byte that byte carries, or nothing when it belongs to a telnet command.
    std::optional<char> Take(unsigned char byte);

private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    State m_state = State::Data;
};
