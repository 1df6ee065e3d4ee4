#pragma once

#include "BasicAuth.h"

#include "runtime/EventLoop.h"
#include "runtime/Lock.h"
#include "runtime/Signal.h"
#include "runtime/WorkerThread.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The bcrypt checks of logins, off the loop: one worker thread, started with the first login, takes them in
// turn from a short queue and posts each answer back through a signal the loop watches, so a check (about 0.1
// s at cost 10) never holds the loop and the connections on it. The queue holds at most kQueued logins and
// one per client address, taken first come first served, so a flood of guesses from a few addresses cannot
// keep a login from another address out for longer than kQueued checks; beyond that a login is turned away
// (503, try again). After each check the worker rests as long as the check took: guesses cost at most half a
// core, whatever the hashes' cost. On the loop's thread, but for the worker's own.
class CPasswordChecks {
public:
    static constexpr std::size_t kQueued = 8;
    using Ticket = std::uint64_t;
    // Called on the loop with the login checked and the check's answer.
    using Done = std::function<void(const CPendingLogin& login, bool matched)>;

    explicit CPasswordChecks(CEventLoop& loop);
    ~CPasswordChecks();
    CPasswordChecks(const CPasswordChecks&) = delete;
    CPasswordChecks& operator=(const CPasswordChecks&) = delete;

    // Queues the check of login for client; none when the queue is full, holds this client's already, or
    // the checks have stopped (or never got their thread or signal).
    std::optional<Ticket> Submit(const std::string& client, CPendingLogin login, Done done);
    // The client left: its check is dropped if it has not begun, and done is never called.
    void Cancel(Ticket ticket);
    // Ends the worker (after the check under way) and drops what waits; nothing is called from then on.
    void Stop();

private:
    struct Job {
        Ticket ticket;
        std::string client;
        CPendingLogin login;
    };
    struct Answer {
        Ticket ticket;
        CPendingLogin login;
        bool matched;
    };
    class CWorker : public CWorkerThread {
    public:
        explicit CWorker(CPasswordChecks& owner) : CWorkerThread("password checks"), m_owner(owner) {}
        ~CWorker() override { Stop(); }

    private:
        void Run() override;
        CPasswordChecks& m_owner;
    };

    // Starts the worker unless it runs; false when it cannot.
    bool StartWorker();
    // The worker's: the next job, none when the queue is empty (the work signal is then cleared).
    std::optional<Job> TakeJob();
    void PostAnswer(Answer answer);
    // The loop's: calls the waiting logins whose answers came.
    void DeliverAnswers();

    CEventLoop& m_loop;
    CSignal m_work;               // set while the queue may hold a job
    CSignal m_answers;            // set while answers wait for the loop
    bool m_open = false;          // while the loop watches the answers
    bool m_workerStarted = false; // from the first login on
    Ticket m_lastTicket = 0;
    std::unordered_map<Ticket, Done> m_waiting; // the loop's own

    CLock m_lock; // guards what the worker shares:
    std::deque<Job> m_queue;
    std::optional<std::string> m_checking; // the client whose check runs
    std::vector<Answer> m_answered;

    CWorker m_worker; // goes first: it uses the rest
};
