#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// A program that a benchmark runs and ends: stdin from /dev/null, stdout into a pipe that ReadLine
// reads, stderr discarded (Qt's offscreen notices would bury the figures), the environment inherited.
// Stop (or the destructor) ends it with SIGTERM, then SIGKILL after a bounded wait.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts arguments[0] with the other arguments; false when it could not be started.
    bool Start(const std::vector<std::string>& arguments);
    // The next line the program writes, without its line feed, waiting up to timeoutMs; nullopt when
    // none came in time or the program closed its stdout.
    std::optional<std::string> ReadLine(int timeoutMs);
    // Whether the program still runs (it is reaped when it has ended).
    bool IsRunning();
    // The process id, -1 when none runs.
    pid_t Pid() const { return m_pid; }
    // Ends the program (SIGTERM, up to 5 s, then SIGKILL) and returns its exit status, 128 + the signal
    // number when a signal ended it, -1 when it is unknown or nothing was started.
    int Stop();
    // Lets the program end by itself within timeoutMs, then stops it; its exit status as for Stop.
    int Finish(int timeoutMs);

private:
    // Waits up to limit for the program to end; true when it has.
    bool WaitForEnd(std::chrono::milliseconds limit);

    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_exitStatus = -1;
    std::string m_received;
};
