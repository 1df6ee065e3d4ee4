#include "PasswordChecks.h"

#include "runtime/WaitSet.h"

#include <algorithm>
#include <chrono>

CPasswordChecks::CPasswordChecks(CEventLoop& loop) : m_loop(loop), m_worker(*this) {
    m_open = m_loop.WatchSignal(m_answers, [this](unsigned) { DeliverAnswers(); });
}

CPasswordChecks::~CPasswordChecks() {
    Stop();
}

std::optional<CPasswordChecks::Ticket> CPasswordChecks::Submit(const std::string& client, CPendingLogin login,
                                                               Done done) {
    if (!m_open || !StartWorker()) {
        return std::nullopt;
    }
    {
        CLockHold hold(m_lock);
        if (m_queue.size() >= kQueued || m_checking == client ||
            std::any_of(m_queue.begin(), m_queue.end(),
                        [&client](const Job& job) { return job.client == client; })) {
            return std::nullopt;
        }
        m_queue.push_back(Job{++m_lastTicket, client, std::move(login)});
    }
    (void)m_work.Set();
    m_waiting.emplace(m_lastTicket, std::move(done));
    return m_lastTicket;
}

bool CPasswordChecks::StartWorker() {
    // Started with the first login, not before: an exporter without passwords runs no thread for them.
    if (!m_workerStarted) {
        m_workerStarted = m_worker.Start();
    }
    return m_workerStarted;
}

void CPasswordChecks::Cancel(Ticket ticket) {
    m_waiting.erase(ticket);
    CLockHold hold(m_lock);
    const auto job = std::find_if(m_queue.begin(), m_queue.end(),
                                  [ticket](const Job& queued) { return queued.ticket == ticket; });
    if (job != m_queue.end()) {
        m_queue.erase(job);
    }
}

void CPasswordChecks::Stop() {
    if (!m_open) {
        return;
    }
    m_open = false;
    m_worker.Stop();
    m_loop.ForgetSignal(m_answers);
    m_waiting.clear();
}

std::optional<CPasswordChecks::Job> CPasswordChecks::TakeJob() {
    CLockHold hold(m_lock);
    if (m_queue.empty()) {
        // Cleared under the lock: a job queued after this sets the signal again.
        (void)m_work.Reset();
        return std::nullopt;
    }
    Job job = std::move(m_queue.front());
    m_queue.pop_front();
    m_checking = job.client;
    return job;
}

void CPasswordChecks::PostAnswer(Answer answer) {
    {
        CLockHold hold(m_lock);
        m_answered.push_back(std::move(answer));
        m_checking.reset();
    }
    (void)m_answers.Set();
}

void CPasswordChecks::DeliverAnswers() {
    // Cleared before the answers are taken: one posted after this sets the signal again.
    (void)m_answers.Reset();
    std::vector<Answer> answered;
    {
        CLockHold hold(m_lock);
        answered.swap(m_answered);
    }
    for (const Answer& answer : answered) {
        const auto waiting = m_waiting.find(answer.ticket);
        if (waiting == m_waiting.end()) {
            continue; // the client left
        }
        const Done done = std::move(waiting->second);
        m_waiting.erase(waiting);
        done(answer.login, answer.matched);
    }
}

void CPasswordChecks::CWorker::Run() {
    using Clock = std::chrono::steady_clock;
    while (WaitForAny(m_stopSignal, m_owner.m_work, kInfinite) == m_owner.m_work.Handle()) {
        std::optional<Job> job = m_owner.TakeJob();
        if (!job) {
            continue;
        }
        const Clock::time_point start = Clock::now();
        const bool matched = job->login.Matches();
        m_owner.PostAnswer(Answer{job->ticket, std::move(job->login), matched});
        // The rest that keeps guesses to half a core.
        const auto took = std::chrono::ceil<std::chrono::milliseconds>(Clock::now() - start);
        if (m_stopSignal.Wait(static_cast<std::uint32_t>(took.count()))) {
            return;
        }
    }
}
