#pragma once

#include <string>
#include <string_view>

// Option negotiation the device offers as soon as a telnet client connects: IAC WILL ECHO,
// IAC WILL SUPPRESS-GO-AHEAD, IAC DO TERMINAL-TYPE.
inline constexpr std::string_view kTelnetNegotiation = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18";

// The login dialogue of the telnet port: login name, password, then the shell.
class CTelnetLogin {
public:
    // Takes one typed line while not logged in; returns the device's reply, which ends with the next
    // prompt (the shell prompt once logged in).
    std::string OnLine(const std::string& line);

    // True once the right login name and password have been given.
    bool IsLoggedIn() const { return m_step == Step::Shell; }

private:
    enum class Step { Name, Password, Shell };

    Step m_step = Step::Name;
    std::string m_name;
};
