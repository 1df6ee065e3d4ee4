#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits received bytes into typed lines. Lines end with LF; CR bytes are dropped, so CR LF works
// too. Telnet command sequences (IAC ...) are dropped wherever they appear, even when a sequence is
// split across two receives. A line longer than kMaxLineLength keeps only its beginning.
class CLineReader {
public:
    static constexpr std::size_t kMaxLineLength = 4096;

    // Takes the next received bytes; returns the lines they complete, without their line ends.
    std::vector<std::string> Feed(std::string_view bytes);

private:
    enum class TelnetState { Data, Command, Option, Subnegotiation, SubnegotiationCommand };

    // Advances the telnet state by one byte; true when the byte is line data.
    bool IsData(unsigned char byte);
    void AddData(char c, std::vector<std::string>& lines);

    TelnetState m_state = TelnetState::Data;
    std::string m_line;
};
