#include "SimProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReadyLimit = std::chrono::seconds(10);
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr const char* kReadyLine = "vantrex-sim ready";
constexpr const char* kLogName = "sim.log";
constexpr const char* kErrorName = "stderr.txt";

std::string MakePrivateFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vantrex-sim-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

CSimProcess::CSimProcess() : m_folder(MakePrivateFolder()) {}

CSimProcess::~CSimProcess() {
    // The sim must have ended before its log and stderr files go.
    m_process.Stop();
    if (!m_folder.empty()) {
        unlink(FilePath(kLogName).c_str());
        unlink(FilePath(kErrorName).c_str());
        rmdir(m_folder.c_str());
    }
}

bool CSimProcess::Start(const std::vector<std::string>& options) {
    if (m_folder.empty()) {
        return false;
    }
    std::vector<std::string> arguments{VANTREX_SIM_PATH};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"--ready", "--log", FilePath(kLogName),
                                       "--exit-with-parent=" + std::to_string(getpid())});
    return m_process.Start(arguments, FilePath(kErrorName)) && WaitForReady();
}

bool CSimProcess::WaitForReady() {
    const Clock::time_point deadline = Clock::now() + kReadyLimit;
    for (;;) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const std::optional<std::string> line =
            remaining.count() > 0 ? m_process.ReadLine(static_cast<int>(remaining.count())) : std::nullopt;
        if (!line) {
            return false; // the sim exited, closed its stdout or stayed silent
        }
        if (*line == kReadyLine) {
            return true;
        }
    }
}

int CSimProcess::Stop(int signalNumber) {
    return m_process.Stop(signalNumber);
}

SimLog CSimProcess::ReadLog() const {
    return ParseSimLog(ReadWholeFile(FilePath(kLogName)));
}

bool CSimProcess::WaitForLine(const std::string& text, int timeoutMs) const {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        for (const SimLogLine& line : ReadLog().lines) {
            if (line.text == text) {
                return true;
            }
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string CSimProcess::ErrorOutput() const {
    return ReadWholeFile(FilePath(kErrorName));
}

std::string CSimProcess::FilePath(const char* name) const {
    return m_folder + "/" + name;
}

bool CanBindTelnetPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(23);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    // The permission check comes before the in-use check, so "in use" still means "allowed".
    const bool allowed = bound || errno == EADDRINUSE;
    close(fd);
    return allowed;
}
