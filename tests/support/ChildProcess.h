#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

// A program that a test or benchmark runs and ends: stdin from /dev/null, stdout into a pipe that
// ReadLine reads, stderr into a file or discarded, the environment inherited and no other descriptor
// (the caller's sockets must not stay open in the child). Stop (or the destructor) ends it with a
// signal, then SIGKILL after a bounded wait.
class CChildProcess {
public:
    CChildProcess() = default;
    // Stops the program if it still runs.
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts arguments[0] with the other arguments, its stderr into errorPath (created or truncated)
    // or discarded when errorPath is empty; false when it could not be started.
    bool Start(const std::vector<std::string>& arguments, const std::string& errorPath = "");
    // The next line the program writes, without its line feed, waiting up to timeoutMs; nullopt when
    // none came in time or the program closed its stdout.
    std::optional<std::string> ReadLine(int timeoutMs);
    // Whether the program still runs (it is reaped when it has ended).
    bool IsRunning();
    // The process id, -1 when none runs.
    pid_t Pid() const { return m_pid; }
    // Ends the program (signalNumber, up to 5 s, then SIGKILL) and returns its exit status, 128 + the
    // signal number when a signal ended it, -1 when it is unknown or nothing was started.
    int Stop(int signalNumber = SIGTERM);
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
