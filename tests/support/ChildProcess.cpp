#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kExitLimit = std::chrono::milliseconds(5000);
constexpr auto kExitPoll = std::chrono::milliseconds(10);

int DecodeExitStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

void RouteStderr(posix_spawn_file_actions_t& actions, const std::string& errorPath) {
    if (errorPath.empty()) {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
}

bool Spawn(const std::vector<std::string>& arguments, int stdoutFd, const std::string& errorPath,
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
    RouteStderr(actions, errorPath);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    const int result = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0;
}

} // namespace

CChildProcess::~CChildProcess() {
    Stop();
}

bool CChildProcess::Start(const std::vector<std::string>& arguments, const std::string& errorPath) {
    Stop();
    // A failed start must not report the status of the program that ran before.
    m_exitStatus = -1;
    m_received.clear();
    int pipeFds[2];
    if (arguments.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    const bool spawned = Spawn(arguments, pipeFds[1], errorPath, m_pid);
    close(pipeFds[1]);
    if (!spawned) {
        close(pipeFds[0]);
        m_pid = -1;
        return false;
    }
    m_stdout = pipeFds[0];
    return true;
}

std::optional<std::string> CChildProcess::ReadLine(int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t lineEnd = m_received.find('\n');
        if (lineEnd != std::string::npos) {
            std::string line = m_received.substr(0, lineEnd);
            m_received.erase(0, lineEnd + 1);
            return line;
        }
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (m_stdout < 0 || remaining.count() <= 0) {
            return std::nullopt;
        }
        pollfd readable{m_stdout, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(remaining.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        char buffer[256];
        const ssize_t count = ready > 0 ? read(m_stdout, buffer, sizeof buffer) : -1;
        if (count <= 0) {
            return std::nullopt; // ended, closed its stdout or stayed silent
        }
        m_received.append(buffer, static_cast<std::size_t>(count));
    }
}

bool CChildProcess::IsRunning() {
    if (m_pid < 0) {
        return false;
    }
    int status = 0;
    const pid_t reaped = waitpid(m_pid, &status, WNOHANG);
    if (reaped == 0) {
        return true;
    }
    m_exitStatus = reaped == m_pid ? DecodeExitStatus(status) : -1;
    m_pid = -1;
    return false;
}

bool CChildProcess::WaitForEnd(std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (IsRunning()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kExitPoll);
    }
    return true;
}

int CChildProcess::Stop(int signalNumber) {
    if (IsRunning()) {
        kill(m_pid, signalNumber);
        if (!WaitForEnd(kExitLimit)) {
            kill(m_pid, SIGKILL);
            int status = 0;
            m_exitStatus = waitpid(m_pid, &status, 0) == m_pid ? DecodeExitStatus(status) : -1;
            m_pid = -1;
        }
    }
    if (m_stdout >= 0) {
        close(m_stdout);
        m_stdout = -1;
    }
    return m_exitStatus;
}

int CChildProcess::Finish(int timeoutMs) {
    // Whether it ended in time or not, Stop ends it and tells its status.
    (void)WaitForEnd(std::chrono::milliseconds(timeoutMs));
    return Stop();
}
