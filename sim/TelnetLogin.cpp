#include "TelnetLogin.h"

#include "DeviceTexts.h"

std::string CTelnetLogin::OnLine(const std::string& line) {
    if (m_step == Step::Name) {
        m_name = line;
        m_step = Step::Password;
        return line + std::string(kLineEnd) + std::string(kPasswordPrompt);
    }
    // Like a terminal, the password is not echoed; only the line end the user typed is.
    if (m_step == Step::Password && m_name == kLoginName && line == kLoginPassword) {
        m_step = Step::Shell;
        return std::string(kLineEnd) + std::string(kShellPrompt);
    }
    m_step = Step::Name;
    return std::string(kLineEnd) + std::string(kLoginIncorrect) + std::string(kLineEnd) +
           std::string(kLoginPrompt);
}
