#include "tests/support/SimProcess.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TemporaryFolder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReadyLimit = std::chrono::seconds(10);
constexpr const char* kReadyLine = "vantrex-sim ready";
constexpr const char* kLogName = "sim.log";
constexpr const char* kErrorName = "stderr.txt";

// Reads the child's output until its ready line; false when it exited, closed its stdout or stayed silent.
bool WaitForReady(CChildProcess& process) {
    const Clock::time_point deadline = Clock::now() + kReadyLimit;
    for (;;) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const std::optional<std::string> line =
            remaining.count() > 0 ? process.ReadLine(static_cast<int>(remaining.count())) : std::nullopt;
        if (!line) {
            return false;
        }
        if (*line == kReadyLine) {
            return true;
        }
    }
}

} // namespace

struct CSimProcess::Instance {
    std::string folder = MakeTemporaryFolder("vantrex-sim-");
    CChildProcess process;

    std::string FilePath(const char* name) const { return folder + "/" + name; }
};

CSimProcess::CSimProcess() : m_instance(std::make_unique<Instance>()) {}

CSimProcess::~CSimProcess() {
    // The sim must have ended before its log and stderr files go.
    m_instance->process.Stop();
    if (!m_instance->folder.empty()) {
        unlink(LogPath().c_str());
        unlink(ErrorPath().c_str());
        rmdir(m_instance->folder.c_str());
    }
}

bool CSimProcess::Start(const std::vector<std::string>& options) {
    if (m_instance->folder.empty()) {
        return false;
    }
    std::vector<std::string> arguments{VANTREX_SIM_PATH};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(),
                     {"--ready", "--log", LogPath(), "--exit-with-parent=" + std::to_string(getpid())});
    return m_instance->process.Start(arguments, ErrorPath()) && WaitForReady(m_instance->process);
}

int CSimProcess::Stop(int signalNumber) {
    return m_instance->process.Stop(signalNumber);
}

bool CSimProcess::Signal(int signalNumber) {
    const pid_t pid = m_instance->process.Pid();
    return pid > 0 && kill(pid, signalNumber) == 0;
}

long CSimProcess::PeakMemoryKiB() const {
    const pid_t pid = m_instance->process.Pid();
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; pid > 0 && std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

std::string CSimProcess::LogPath() const {
    return m_instance->FilePath(kLogName);
}

std::string CSimProcess::ErrorPath() const {
    return m_instance->FilePath(kErrorName);
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
