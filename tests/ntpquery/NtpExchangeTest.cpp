// A fleet's NTP checks over one shared socket, against NTP servers of the test's own on loopback.
#include "ntpquery/NtpExchange.h"

#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"

#include "tests/support/DatagramPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = CNtpExchange::Clock;

// Wine binds a datagram socket to every address and answers from 127.0.0.1 (see UdpClientTest.cpp): there
// the servers are at 127.0.0.1, on ports of this test's own.
#ifdef _WIN32
constexpr const char* kServerText = "127.0.0.1";
constexpr std::uint32_t kServerAddress = 0x7F000001;
#else
constexpr const char* kServerText = "127.0.238.1";
constexpr std::uint32_t kServerAddress = 0x7F00EE01; // kServerText
#endif
// Each test's server listens on a port of its own.
constexpr unsigned short kFirstPort = 12381;
// Nothing listens here.
constexpr std::uint32_t kClosedAddress = 0x7F00EE02; // 127.0.238.2
constexpr unsigned short kClosedPort = 12380;
constexpr int kEventMs = 5000; // Generous: a loopback datagram takes microseconds.
constexpr auto kLongEnd = std::chrono::seconds(30);

// A request as the server saw it.
struct Request {
    NtpTimestamp transmit;
    std::uint32_t senderAddress = 0;
    unsigned short senderPort = 0;
};

// The far end: an NTP server on a socket that shares no code with the exchange, which answers only when
// and how the test says.
class CTestServer {
public:
    explicit CTestServer(unsigned short port) : m_port(port), m_peer(kServerText, port) {}
    bool IsBound() const { return m_peer.IsBound(); }
    unsigned short Port() const { return m_port; }

    // The next request within timeoutMs; nothing when none came.
    std::optional<Request> TakeRequest(int timeoutMs = kEventMs) const {
        const std::optional<CDatagramPeer::Datagram> datagram = m_peer.Receive(timeoutMs);
        const std::optional<SntpPacket> request =
            datagram ? DecodeSntp(datagram->bytes) : std::optional<SntpPacket>();
        if (!request) {
            return std::nullopt;
        }
        return Request{request->transmit, datagram->senderAddress, datagram->senderPort};
    }
    // Answers request with this PC's time, as a server of stratum that echoes originate.
    void Answer(const Request& request, int stratum, NtpTimestamp originate,
                std::uint8_t mode = kModeServer) const {
        SntpPacket answer;
        answer.mode = mode;
        answer.stratum = static_cast<std::uint8_t>(stratum);
        answer.originate = originate;
        answer.receive = NtpFromUnixMicros(RealTimeMicros());
        answer.transmit = answer.receive;
        const SntpBytes bytes = EncodeSntp(answer);
        EXPECT_TRUE(m_peer.SendTo(request.senderAddress, request.senderPort, {bytes.begin(), bytes.end()}));
    }
    void Answer(const Request& request, int stratum) const { Answer(request, stratum, request.transmit); }

private:
    unsigned short m_port;
    CDatagramPeer m_peer;
};

class NtpExchangeTest : public testing::Test {
protected:
    void SetUp() override {
        m_loop = CEventLoop::Create();
        ASSERT_NE(m_loop, nullptr);
        m_exchange = std::make_unique<CNtpExchange>(*m_loop);
    }

    // Starts a check of port on the server's address that ends by end; its result lands in Result(id).
    NtpCheckId Start(std::uint32_t address, unsigned short port,
                     Clock::time_point end = Clock::now() + kLongEnd) {
        const NtpCheckId id = ++m_started;
        m_exchange->Start(address, port, end, [this, id](const NtpResult& result) {
            EXPECT_FALSE(m_results.contains(id)) << "a check ended twice";
            m_results[id] = result;
        });
        return id;
    }
    // Runs the loop until condition holds or kEventMs passes; whether it held.
    template <typename Condition>
    bool RunUntil(Condition condition) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kEventMs);
        while (!condition()) {
            if (Clock::now() >= deadline || m_loop->Wait(deadline) < 0) {
                return false;
            }
        }
        return true;
    }
    // The result of check once it ended, running the loop for it.
    std::optional<NtpResult> Result(NtpCheckId check) {
        if (!RunUntil([&] { return m_results.contains(check); })) {
            return std::nullopt;
        }
        return m_results[check];
    }

    std::unique_ptr<CEventLoop> m_loop;
    std::unique_ptr<CNtpExchange> m_exchange;
    NtpCheckId m_started = 0;
    std::map<NtpCheckId, NtpResult> m_results;
};

// An answer counts only from the address and port asked and with the echo of the request: a forger on
// another port of the same address, or one that does not know the request, is not heard.
TEST_F(NtpExchangeTest, TakesOnlyTheAnswerFromThePeerAskedThatEchoesTheRequest) {
    const CTestServer server(kFirstPort);
    const CTestServer forger(kFirstPort + 1);
    ASSERT_TRUE(server.IsBound() && forger.IsBound());
    const NtpCheckId check = Start(kServerAddress, server.Port());
    const std::optional<Request> request = server.TakeRequest();
    ASSERT_TRUE(request);
    forger.Answer(*request, 7);
    NtpTimestamp otherRequest = request->transmit;
    ++otherRequest.fraction;
    server.Answer(*request, 8, otherRequest);
    server.Answer(*request, 1);

    const std::optional<NtpResult> result = Result(check);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->answered) << result->failure;
    EXPECT_EQ(result->stratum, 1);
    // The server keeps this PC's time, and the answer's arrival is the kernel's stamp.
    EXPECT_LT(std::abs(result->offsetSeconds), 0.1);
    EXPECT_EQ(m_exchange->RunningCount(), 0U);
}

TEST_F(NtpExchangeTest, ChecksOfOnePeerAtOnceEachGetTheirOwnAnswer) {
    const CTestServer server(kFirstPort + 2);
    ASSERT_TRUE(server.IsBound());
    const NtpCheckId first = Start(kServerAddress, server.Port());
    const NtpCheckId second = Start(kServerAddress, server.Port());
    EXPECT_EQ(m_exchange->RunningCount(), 2U);
    const std::optional<Request> firstRequest = server.TakeRequest();
    const std::optional<Request> secondRequest = server.TakeRequest();
    ASSERT_TRUE(firstRequest && secondRequest);
    EXPECT_NE(firstRequest->transmit, secondRequest->transmit);
    server.Answer(*secondRequest, 2);
    server.Answer(*firstRequest, 3);

    const std::optional<NtpResult> firstResult = Result(first);
    const std::optional<NtpResult> secondResult = Result(second);
    ASSERT_TRUE(firstResult && secondResult);
    EXPECT_EQ(firstResult->stratum, 3);
    EXPECT_EQ(secondResult->stratum, 2);
}

// A request unanswered for a while is asked again, with a transmit time of its own; the first one's answer,
// coming after the retry left (a round trip of 2 s), still counts.
TEST_F(NtpExchangeTest, AnAnswerThatComesAfterTheRetryStillCounts) {
    const CTestServer server(kFirstPort + 3);
    ASSERT_TRUE(server.IsBound());
    const NtpCheckId check = Start(kServerAddress, server.Port());
    const std::optional<Request> first = server.TakeRequest();
    ASSERT_TRUE(first);
    std::optional<Request> retry;
    ASSERT_TRUE(RunUntil([&] { return (retry = server.TakeRequest(0)).has_value(); }));
    EXPECT_NE(retry->transmit, first->transmit);
    server.Answer(*first, 5);

    const std::optional<NtpResult> result = Result(check);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->answered) << result->failure;
    EXPECT_EQ(result->stratum, 5);
    EXPECT_GE(result->delaySeconds, 1.9) << "measured against the request it answers";
}

// Answers that reached this PC before the check's end count, however late the loop gets to them: here
// the loop reads nothing until every check's end has passed.
TEST_F(NtpExchangeTest, AnswersWaitingWhenTheEndComesCount) {
    constexpr int kChecks = 100;
    const CTestServer server(kFirstPort + 7);
    ASSERT_TRUE(server.IsBound());
    // Room to ask and answer them all before the end, under Wine on a busy PC too.
    const auto end = Clock::now() + std::chrono::seconds(3);
    for (int check = 0; check < kChecks; ++check) {
        Start(kServerAddress, server.Port(), end);
    }
    std::vector<Request> requests;
    ASSERT_TRUE(RunUntil([&] {
        for (std::optional<Request> request; (request = server.TakeRequest(0));) {
            requests.push_back(*request);
        }
        return requests.size() >= kChecks;
    }));
    for (const Request& request : requests) {
        server.Answer(request, 1);
    }
    ASSERT_LT(Clock::now(), end) << "the answers came too late for the test to tell anything";
    std::this_thread::sleep_until(end + std::chrono::milliseconds(10));

    EXPECT_TRUE(RunUntil([&] { return m_results.size() == kChecks; }));
    EXPECT_EQ(std::count_if(m_results.begin(), m_results.end(),
                            [](const auto& result) { return result.second.answered; }),
              kChecks);
}

// Without an answer the check ends by the caller's end, not after a retry it has no time for, and says
// what was wrong with what did come.
TEST_F(NtpExchangeTest, EndsByTheCallersEndWithWhatCameInstead) {
    const CTestServer server(kFirstPort + 4);
    ASSERT_TRUE(server.IsBound());
    const auto end = Clock::now() + std::chrono::milliseconds(300);
    const NtpCheckId check = Start(kServerAddress, server.Port(), end);
    const std::optional<Request> request = server.TakeRequest();
    ASSERT_TRUE(request);
    server.Answer(*request, 1, request->transmit, kModeClient);

    const std::optional<NtpResult> result = Result(check);
    ASSERT_TRUE(result);
    EXPECT_GE(Clock::now(), end);
    EXPECT_FALSE(result->answered);
    EXPECT_EQ(result->failure, "no valid answer: answer not in server mode");
    EXPECT_EQ(result->failureKind, FailureKind::Device);
    EXPECT_FALSE(server.TakeRequest(0)) << "asked again after the end";
}

// A closed port ends its check at once, after the retry, where the platform names the refused peer.
TEST_F(NtpExchangeTest, APortWhereNothingListensEndsTheCheck) {
    const NtpCheckId check = Start(kClosedAddress, kClosedPort);
    const std::optional<NtpResult> result = Result(check);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, "no answer (port unreachable)");
}

// More checks at once than go out between two reads: the rest go out on the wakes that follow, and each is
// answered.
TEST_F(NtpExchangeTest, ABurstOfChecksIsSentOverTheFollowingWakes) {
    constexpr int kChecks = 300;
    const CTestServer server(kFirstPort + 6);
    ASSERT_TRUE(server.IsBound());
    for (int check = 0; check < kChecks; ++check) {
        Start(kServerAddress, server.Port());
    }
    int answered = 0;
    EXPECT_TRUE(RunUntil([&] {
        for (std::optional<Request> request; (request = server.TakeRequest(0));) {
            server.Answer(*request, 1);
        }
        answered = static_cast<int>(std::count_if(m_results.begin(), m_results.end(),
                                                  [](const auto& result) { return result.second.answered; }));
        return answered == kChecks;
    }));
    EXPECT_EQ(answered, kChecks);
}

TEST_F(NtpExchangeTest, AnAbandonedCheckEndsAtOnceAndHearsNoMore) {
    const CTestServer server(kFirstPort + 5);
    ASSERT_TRUE(server.IsBound());
    const NtpCheckId abandoned = Start(kServerAddress, server.Port());
    const NtpCheckId kept = Start(kServerAddress, server.Port());
    const std::optional<Request> abandonedRequest = server.TakeRequest();
    const std::optional<Request> keptRequest = server.TakeRequest();
    ASSERT_TRUE(abandonedRequest && keptRequest);
    m_exchange->Abandon(abandoned, "stopped");
    ASSERT_TRUE(m_results.contains(abandoned));
    EXPECT_EQ(m_results[abandoned].failure, "stopped");
    EXPECT_EQ(m_exchange->RunningCount(), 1U);
    m_exchange->Abandon(abandoned, "twice"); // nothing: it has ended
    server.Answer(*abandonedRequest, 4);
    server.Answer(*keptRequest, 1);

    const std::optional<NtpResult> result = Result(kept);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->stratum, 1);
    EXPECT_EQ(m_results[abandoned].failure, "stopped");
}

} // namespace
