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
    if (AnswerBusy(output)) {
        return;
    }
    ShellReply reply = m_interpreter.Execute(line);
    if (reply.restart && m_config.busyAfterChange > 0) {
        m_changeTaken = std::move(reply.restart);
        m_busyLeft = m_config.busyAfterChange;
        reply.restart.reset();
    }
    if (reply.restart && !m_config.noRestart) {
        Restart(std::move(*reply.restart), output);
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

bool CDeviceSession::AnswerBusy(SessionOutput& output) {
    if (!m_changeTaken) {
        return false;
    }
    if (m_busyLeft == 0) {
        AddressChange change = std::move(*m_changeTaken);
        m_changeTaken.reset();
        if (m_config.noRestart) {
            return false;
        }
        Restart(std::move(change), output);
        return true;
    }
    --m_busyLeft;
    output.text += std::string(kNetworkRestarting) + std::string(kLineEnd) + std::string(kShellPrompt);
    return true;
}

void CDeviceSession::Restart(AddressChange change, SessionOutput& output) {
    output.restart = std::move(change);
    output.close = true;
    m_finished = true;
}

std::string CDeviceSession::Garble(const std::string& answer) const {
    return m_config.noise ? AddNoise(answer) : answer;
}
