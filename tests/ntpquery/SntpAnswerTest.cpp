// What one datagram tells a check, read the same by the window's query and a fleet's exchange.
#include "ntpquery/SntpAnswer.h"

#include "ntp/SntpPacket.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr std::int64_t kSentMicros = 1'800'000'000'000'000;
const NtpTimestamp kSent = NtpFromUnixMicros(kSentMicros);

// A server 1 s ahead that got the request 100 µs after it left and answered 10 µs later; the answer is
// here 300 µs after the request left.
SntpPacket HonestAnswer() {
    SntpPacket answer;
    answer.mode = kModeServer;
    answer.stratum = 1;
    answer.referenceId = 0x47505300; // "GPS"
    answer.originate = kSent;
    answer.receive = NtpFromUnixMicros(kSentMicros + 1'000'100);
    answer.transmit = NtpFromUnixMicros(kSentMicros + 1'000'110);
    return answer;
}

enum class Outcome { Answered, Rejected, Kiss, Invalid, LocalFailure };

struct Case {
    const char* name;
    std::function<void(SntpPacket&)> change;
    std::int64_t arrivalMicros; // after kSentMicros
    std::size_t length;
    Outcome outcome;
    const char* text; // the rejection or failure, where there is one
};

Outcome OutcomeOf(const SntpReading& reading) {
    if (std::holds_alternative<std::string>(reading)) {
        return Outcome::Rejected;
    }
    const NtpResult& result = std::get<NtpResult>(reading);
    if (result.answered) {
        return Outcome::Answered;
    }
    if (result.kissOfDeath) {
        return Outcome::Kiss;
    }
    return result.invalid ? Outcome::Invalid : Outcome::LocalFailure;
}

TEST(SntpAnswer, EachDatagramEndsTheCheckOrSaysWhyNot) {
    const auto unchanged = [](SntpPacket&) {};
    const std::vector<Case> cases = {
        {"honest", unchanged, 300, kSntpPacketSize, Outcome::Answered, ""},
        {"short", unchanged, 300, kSntpPacketSize - 1, Outcome::Rejected,
         "no valid answer: answer shorter than 48 bytes"},
        {"another request's", [](SntpPacket& p) { p.originate.fraction ^= 1; }, 300, kSntpPacketSize,
         Outcome::Rejected, "no valid answer: answer to another request"},
        {"kiss", [](SntpPacket& p) { p.stratum = 0, p.referenceId = 0x52415445; }, 300, kSntpPacketSize,
         Outcome::Kiss, "kiss code RATE (rate exceeded)"},
        {"sent before received", [](SntpPacket& p) { std::swap(p.receive, p.transmit); }, 300,
         kSntpPacketSize, Outcome::Invalid, "invalid answer: transmit time before receive time"},
        {"clock gone back", unchanged, -300, kSntpPacketSize, Outcome::LocalFailure,
         "this PC's clock went back during the exchange"},
    };
    for (const Case& c : cases) {
        SntpPacket packet = HonestAnswer();
        c.change(packet);
        const SntpBytes bytes = EncodeSntp(packet);
        const SntpReading reading = ReadSntpAnswer(std::span<const std::uint8_t>(bytes.data(), c.length),
                                                   kSent, kSentMicros + c.arrivalMicros);
        EXPECT_EQ(OutcomeOf(reading), c.outcome) << c.name;
        if (const std::string* rejection = std::get_if<std::string>(&reading)) {
            EXPECT_EQ(*rejection, c.text) << c.name;
        } else if (c.outcome != Outcome::Answered) {
            EXPECT_EQ(std::get<NtpResult>(reading).failure, c.text) << c.name;
            EXPECT_EQ(std::get<NtpResult>(reading).failureKind == FailureKind::LocalFailure,
                      c.outcome == Outcome::LocalFailure)
                << c.name;
        }
    }
}

TEST(SntpAnswer, AnHonestAnswerGivesTheServersOffsetAndTheNetworksDelay) {
    const SntpBytes bytes = EncodeSntp(HonestAnswer());
    const SntpReading reading = ReadSntpAnswer(bytes, kSent, kSentMicros + 300);
    ASSERT_TRUE(std::holds_alternative<NtpResult>(reading));
    const NtpResult& result = std::get<NtpResult>(reading);
    // Out 1.0001 s, back -0.99981 s (1.00011 - 0.0003): the offset is their mean, the delay what the server
    // did not hold.
    EXPECT_NEAR(result.offsetSeconds, 0.999955, 1e-6);
    EXPECT_NEAR(result.delaySeconds, 0.000290, 1e-6);
    EXPECT_EQ(result.stratum, 1);
    EXPECT_EQ(result.referenceId, "GPS");
    EXPECT_NEAR(static_cast<double>(result.serverUnixMicros - kSentMicros), 1'000'110, 1);
}

} // namespace
