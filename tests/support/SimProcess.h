#pragma once

#include "SimLogReader.h"

#include <csignal>
#include <memory>
#include <string>
#include <vector>

// Runs the simulated device (vantrex-sim) as a child process for one test. Start adds "--ready", a
// private "--log" and "--exit-with-parent" to the given options, so a sim never outlives a crashed
// test; the sim also ends when the thread that started it ends, so start it from a thread that lives
// as long as the sim is needed. Stop (or the destructor) ends the child with SIGTERM, then SIGKILL
// after a bounded wait. Each instance owns a private temporary folder for the log and stderr.
// On Windows a test program cannot start the Linux sim: there Start finds the sim that the CTest fixture
// started for exactly these options (tests/link/FixtureSims.txt), and Stop leaves it to the fixture.
class CSimProcess {
public:
    // Creates the private folder; nothing runs yet.
    CSimProcess();
    // Stops the sim and removes the folder.
    ~CSimProcess();
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    // Starts the sim, e.g. {"--address", "127.0.3.7", "--telnet-port", "0"}, and waits up to 10 s for its
    // ready line. False when it exited or stayed silent; Stop then tells its exit status.
    bool Start(const std::vector<std::string>& options);
    // Sends signal (SIGTERM by default), waits up to 5 s, then kills; the exit status, 128 + the
    // signal number when a signal ended it, -1 when nothing was started.
    int Stop(int signalNumber = SIGTERM);
    // Sends signalNumber to the running sim and returns at once; false when none runs here.
    bool Signal(int signalNumber);
    // Everything the sim has logged so far.
    SimLog ReadLog() const;
    // Waits up to timeoutMs until the sim has logged a received line equal to text.
    bool WaitForLine(const std::string& text, int timeoutMs) const;
    // What the sim wrote to stderr so far.
    std::string ErrorOutput() const;
    // The most memory the running sim has held at once, in KiB; negative when unknown.
    long PeakMemoryKiB() const;

private:
    // The backend's sim: a child process, or one that the fixture runs.
    struct Instance;

    std::string LogPath() const;
    std::string ErrorPath() const;

    std::unique_ptr<Instance> m_instance;
};

// Whether this process may bind a port below 1024, such as the telnet port 23, on a loopback address.
bool CanBindTelnetPort();
