#pragma once

#include "Signal.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

// One reported state together with where it came from: the run (each Start begins a new one) and
// the number of changes reported in that run so far (0: nothing reported yet). Two reports with the
// same run and sequence describe the same change.
struct StateReport {
    int state = -1;
    std::uint16_t run = 0;
    std::uint16_t sequence = 0;
};

// Base of every object that owns a thread. The thread runs Run, which must return promptly once the
// stop signal is set; the object reports progress as one integer state whose changes set a signal.
class CWorkerThread {
public:
    explicit CWorkerThread(std::string name);
    // Stops the thread. A derived class must stop it in its own destructor, before its part is gone.
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Stops any running thread, stores the unreported state -1, clears both signals and starts Run on
    // a new thread. False when no thread could be created (the object then stays idle).
    bool Start();
    // Sets the stop signal and waits, without a time limit, until the thread has ended. Nothing
    // happens when no thread runs. The stop signal stays set until the next Start.
    void Stop();
    // Stores value and sets the state signal, only when it differs from the stored state.
    void SetState(int value);
    // The last stored state.
    int GetState() const { return GetReport().state; }
    // The last stored state with its run and change count, read as one value.
    StateReport GetReport() const;
    // Set by every change of state; cleared by whoever consumes the change.
    CSignal& StateSignal() { return m_stateSignal; }
    // Whether a thread has been started and not yet stopped (it may have finished its Run).
    bool IsStarted() const { return m_thread.joinable(); }

protected:
    // The thread body; every blocking point must also wait for m_stopSignal.
    virtual void Run() = 0;

    CSignal m_stopSignal;
    CSignal m_stateSignal;

private:
    static std::uint64_t Pack(StateReport report);
    static StateReport Unpack(std::uint64_t packed);

    std::atomic<std::uint64_t> m_report;
    std::string m_name;
    std::thread m_thread;
};
