#include "SimProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReadyLimit = std::chrono::seconds(10);
constexpr auto kExitLimit = std::chrono::seconds(5);
constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr const char* kReadyLine = "vantrex-sim ready\n";
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

int DecodeExitStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

// Child of posix_spawn: stdin from /dev/null, stdout into the pipe, stderr into a file, nothing else
// inherited (a test's own sockets must not stay open in the sim).
bool SpawnSim(const std::vector<std::string>& arguments, int stdoutFd, const std::string& errorPath,
              pid_t& pid) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    const int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0;
}

} // namespace

CSimProcess::CSimProcess() : m_folder(MakePrivateFolder()) {}

CSimProcess::~CSimProcess() {
    Stop();
    if (!m_folder.empty()) {
        unlink(FilePath(kLogName).c_str());
        unlink(FilePath(kErrorName).c_str());
        rmdir(m_folder.c_str());
    }
}

bool CSimProcess::Start(const std::vector<std::string>& options) {
    Stop();
    int pipeFds[2];
    if (m_folder.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    std::vector<std::string> arguments{VANTREX_SIM_PATH};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), {"--ready", "--log", FilePath(kLogName)});
    const bool spawned = SpawnSim(arguments, pipeFds[1], FilePath(kErrorName), m_pid);
    close(pipeFds[1]);
    if (!spawned) {
        close(pipeFds[0]);
        m_pid = -1;
        return false;
    }
    m_stdout = pipeFds[0];
    return WaitForReady();
}

bool CSimProcess::WaitForReady() {
    const Clock::time_point deadline = Clock::now() + kReadyLimit;
    std::string received;
    while (received.find(kReadyLine) == std::string::npos) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            return false;
        }
        pollfd fd{m_stdout, POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(remaining.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        char buffer[256];
        const ssize_t count = ready > 0 ? read(m_stdout, buffer, sizeof buffer) : -1;
        if (count <= 0) {
            return false; // the sim exited, closed its stdout or stayed silent
        }
        received.append(buffer, static_cast<std::size_t>(count));
    }
    return true;
}

int CSimProcess::Stop(int signalNumber) {
    if (m_pid < 0) {
        return -1;
    }
    kill(m_pid, signalNumber);
    const Clock::time_point deadline = Clock::now() + kExitLimit;
    int status = 0;
    pid_t reaped = waitpid(m_pid, &status, WNOHANG);
    while (reaped == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        reaped = waitpid(m_pid, &status, WNOHANG);
    }
    if (reaped == 0) {
        kill(m_pid, SIGKILL);
        reaped = waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    close(m_stdout);
    m_stdout = -1;
    return reaped > 0 ? DecodeExitStatus(status) : -1;
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
