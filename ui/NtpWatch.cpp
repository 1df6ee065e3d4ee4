#include "NtpWatch.h"

#include "ntpquery/NtpHistory.h"
#include "ntpquery/SntpQuery.h"
#include "runtime/WaitSet.h"
#include "runtime/WaitTime.h"

#include <chrono>

namespace {

// A daemon that limits its clients' rate turns away one that asks more often than every few seconds;
// once a minute is well clear of that and still shows an announcement the minute it is made.
constexpr auto kAskInterval = std::chrono::seconds(60);
static_assert(kAskInterval >= kShortestNtpPoll, "the window asks no more often than any other program");
// As long as vantrex-status's default time-out: the same requests, so the same loss is ridden out.
constexpr auto kExchangeLimit = std::chrono::seconds(15);

} // namespace

CNtpWatch::CNtpWatch() : CWorkerThread("ntp watch") {}

CNtpWatch::~CNtpWatch() {
    Stop();
}

bool CNtpWatch::Watch(std::uint32_t address, unsigned short port) {
    Stop();
    m_address = address;
    m_port = port;
    {
        CLockHold hold(m_latestLock);
        m_latest.reset();
    }
    return Start();
}

std::optional<NtpResult> CNtpWatch::Latest() const {
    CLockHold hold(m_latestLock);
    return m_latest;
}

void CNtpWatch::Run() {
    while (AskOnce()) {
        const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(kAskInterval);
        if (m_stopSignal.Wait(static_cast<std::uint32_t>(interval.count()))) {
            return;
        }
    }
}

bool CNtpWatch::AskOnce() {
    CSntpQuery query;
    const auto start = CSntpQuery::Clock::now();
    query.Start(m_address, m_port, start, start + kExchangeLimit);
    while (!query.Update(CSntpQuery::Clock::now())) {
        const WaitHandle fired =
            WaitForAny(m_stopSignal, query.Signal(), MillisecondsUntil(query.Deadline()));
        if (fired == kWaitFailed) {
            // This PC's fault, which must not leave the window waiting for an answer forever.
            Publish(UnansweredNtp("no wait for the answer", FailureKind::LocalFailure));
            return false;
        }
        if (fired == m_stopSignal.Handle()) {
            return false;
        }
    }
    Publish(query.Result());
    return true;
}

void CNtpWatch::Publish(const NtpResult& result) {
    CLockHold hold(m_latestLock);
    m_latest = result;
}
