#include "DeviceSession.h"

#include "DeviceAnswers.h"
#include "DeviceTexts.h"
#include "Noise.h"

CDeviceSession::CDeviceSession(const SessionConfig& config, std::function<DeviceTime()> clock,
                               GpsFlipped gpsFlipped)
    : m_config(config), m_interpreter(config.device, std::move(clock), std::move(gpsFlipped)) {}

SessionGreeting CDeviceSession::Open() const {
    if (m_config.silent) {
        return {};
    }
    if (!m_config.telnet) {
        return {std::string(kShellPrompt), ""};
    }
    // The telnet daemon negotiates before it starts the login program that shows the prompt.
    return {m_config.negotiation ? std::string(kTelnetNegotiation) : "", std::string(kLoginPrompt)};
}

SessionOutput CDeviceSession::Receive(std::string_view bytes) {
    SessionOutput output;
    for (const std::string& line : m_reader.Feed(bytes)) {
        if (m_finished) {
            break;
        }
        output.lines.push_back(line);
        HandleLine(line, output);
    }
    if (m_config.silent) {
        output.text.clear();
    }
    return output;
}

void CDeviceSession::HandleLine(const std::string& line, SessionOutput& output) {
    if (m_config.telnet && !m_login.IsLoggedIn()) {
        output.text += m_login.OnLine(line);
        return;
    }
    output.text += line + std::string(kLineEnd);
    RunCommand(line, output);
}

void CDeviceSession::RunCommand(const std::string& line, SessionOutput& output) {
    ShellReply reply = m_interpreter.Execute(line);
    if (reply.restart && !m_config.noRestart) {
        output.restart = std::move(reply.restart);
        output.close = true;
        m_finished = true;
        return;
    }
    const std::string answer = Garble(m_config.noPrompt ? LongAnswer() : reply.answer);
    if (m_config.closeMidAnswer && !answer.empty()) {
        output.text += answer.substr(0, answer.size() / 2);
        output.close = true;
        m_finished = true;
        return;
    }
    output.text += answer;
    if (!m_config.noPrompt) {
        output.text += kShellPrompt;
    }
}

std::string CDeviceSession::Garble(const std::string& answer) const {
    return m_config.noise ? AddNoise(answer) : answer;
}
