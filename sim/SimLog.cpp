#include "SimLog.h"

#include <cerrno>
#include <cstring>

CSimLog::CSimLog() : m_started(std::chrono::steady_clock::now()) {}

CSimLog::~CSimLog() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

std::string EscapeLogText(std::string_view text, bool escapeSpaces) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || byte == '\\' || (escapeSpaces && byte == ' ')) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

bool CSimLog::Open(const std::string& path, std::string& error) {
    m_file = std::fopen(path.c_str(), "w");
    if (m_file == nullptr) {
        error = "cannot write the log " + path + ": " + std::strerror(errno);
        return false;
    }
    // Tests read the log while the sim runs, so every line must reach the file at once.
    std::setvbuf(m_file, nullptr, _IOLBF, 0);
    return true;
}

void CSimLog::LogLine(unsigned short port, std::string_view text, Clock::time_point received) {
    Write(std::to_string(port) + " " + EscapeLogText(text, false), received);
}

void CSimLog::LogAddressChange(unsigned short port, const AddressChange& change, Clock::time_point made) {
    Write("address " + std::to_string(port) + " ip=" + EscapeLogText(change.ip, true) +
              " mask=" + EscapeLogText(change.mask, true) + " gateway=" + EscapeLogText(change.gateway, true),
          made);
}

void CSimLog::LogFailure(std::string_view text, Clock::time_point at) {
    Write("failure " + EscapeLogText(text, false), at);
}

void CSimLog::Write(const std::string& entry, Clock::time_point at) {
    if (m_file == nullptr) {
        return;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(at - m_started).count();
    std::fprintf(m_file, "%lld.%03lld %s\n", static_cast<long long>(micros / 1000),
                 static_cast<long long>(micros % 1000), entry.c_str());
}
