// When a check asks, which answers it takes and when it gives up, driven with times and bytes.
#include "ntpquery/SntpAttempts.h"

#include "ntp/SntpPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Clock = CSntpAttempts::Clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);
constexpr std::int64_t kStartMicros = 1'800'000'000'000'000; // kStart on this PC's clock

std::int64_t MicrosAt(Clock::time_point at) {
    return kStartMicros + std::chrono::duration_cast<std::chrono::microseconds>(at - kStart).count();
}

NtpTimestamp TransmitAt(Clock::time_point at) {
    return NtpFromUnixMicros(MicrosAt(at));
}

// A server on this PC's time that answers the request sent with transmit time originate.
SntpBytes AnswerTo(NtpTimestamp originate, Clock::time_point answeredAt, std::uint8_t mode = kModeServer) {
    SntpPacket answer;
    answer.mode = mode;
    answer.stratum = 1;
    answer.originate = originate;
    answer.receive = TransmitAt(answeredAt);
    answer.transmit = answer.receive;
    return EncodeSntp(answer);
}

// Sends each request the moment it is due, as a driver does, and says when they went.
std::vector<Clock::time_point> SendWhenDue(CSntpAttempts& attempts) {
    std::vector<Clock::time_point> sentAt;
    for (auto next = attempts.NextRequestAt(); next; next = attempts.NextRequestAt()) {
        const Clock::time_point at = std::max(*next, kStart);
        attempts.Sent(TransmitAt(at), at);
        sentAt.push_back(at);
    }
    return sentAt;
}

TEST(SntpAttempts, AsksEveryTwoSecondsAtMostEightTimesBeforeItsEnd) {
    struct Case {
        seconds timeout;
        int requests;
    };
    for (const Case& test :
         {Case{seconds(15), 8}, Case{seconds(60), 8}, Case{seconds(5), 3}, Case{seconds(2), 1}}) {
        CSntpAttempts attempts(kStart + test.timeout);
        const std::vector<Clock::time_point> sentAt = SendWhenDue(attempts);
        ASSERT_EQ(static_cast<int>(sentAt.size()), test.requests) << test.timeout.count() << " s";
        for (std::size_t index = 1; index < sentAt.size(); ++index) {
            EXPECT_EQ(sentAt[index] - sentAt[index - 1], kSntpRequestSpacing);
        }
        EXPECT_EQ(attempts.NextWake(), attempts.End()) << "waits for its answers to the end";
    }
}

// A device 2 s away answers the first request after the second left: that answer counts, measured against
// its own request; an answer to no request of the check is kept only as the reason for the end.
TEST(SntpAttempts, TakesTheAnswerToAnyRequestItSent) {
    CSntpAttempts attempts(kStart + seconds(15));
    const NtpTimestamp first = TransmitAt(kStart);
    attempts.Sent(first, kStart);
    attempts.Sent(TransmitAt(kStart + seconds(2)), kStart + seconds(2));

    NtpTimestamp stranger = first;
    stranger.fraction += 7;
    const Clock::time_point arrival = kStart + milliseconds(2500);
    EXPECT_FALSE(attempts.Take(AnswerTo(stranger, kStart + seconds(1)), arrival, MicrosAt(arrival)));
    EXPECT_EQ(attempts.TimedOut().failure, "no valid answer: answer to another request");

    const std::optional<NtpResult> result =
        attempts.Take(AnswerTo(first, kStart + milliseconds(1250)), arrival, MicrosAt(arrival));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->answered) << result->failure;
    EXPECT_NEAR(result->delaySeconds, 2.5, 1e-6);
    EXPECT_NEAR(result->offsetSeconds, 0, 1e-6);
}

// The end is judged against the answer's arrival, not against when it was read.
TEST(SntpAttempts, AnAnswerCountsWhenItArrivedByTheEnd) {
    const Clock::time_point end = kStart + seconds(3);
    for (const auto& [arrival, counts] :
         {std::pair{end, true}, std::pair{end + std::chrono::microseconds(1), false}}) {
        CSntpAttempts attempts(end);
        const NtpTimestamp sent = TransmitAt(kStart);
        attempts.Sent(sent, kStart);
        EXPECT_EQ(attempts.Take(AnswerTo(sent, kStart + seconds(1)), arrival, MicrosAt(arrival)).has_value(),
                  counts);
        if (!counts) {
            EXPECT_EQ(attempts.TimedOut().failure, "no answer");
        }
    }
}

// A refused request is asked again at once, for a service that was restarting; a second refusal ends
// the check. A refusal of no request of the check changes nothing.
TEST(SntpAttempts, ASecondRefusalEndsTheCheck) {
    CSntpAttempts attempts(kStart + seconds(15));
    attempts.Sent(TransmitAt(kStart), kStart);
    const Clock::time_point refusedAt = kStart + milliseconds(1);
    EXPECT_FALSE(attempts.TakeRefusal(TransmitAt(kStart + seconds(9)), refusedAt));
    EXPECT_EQ(attempts.NextRequestAt(), kStart + kSntpRequestSpacing);

    EXPECT_FALSE(attempts.TakeRefusal(TransmitAt(kStart), refusedAt));
    ASSERT_TRUE(attempts.NextRequestAt());
    EXPECT_LE(*attempts.NextRequestAt(), refusedAt) << "asks again at once";
    attempts.Sent(TransmitAt(refusedAt), refusedAt);
    const std::optional<NtpResult> result = attempts.TakeRefusal(TransmitAt(refusedAt), refusedAt);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->failure, kSntpPortUnreachable);
}

} // namespace
