#include "ntp/SntpPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr NtpTimestamp kSent{0xE9A1B2C3u, 0x80000000u};

// A server answer as it travels: LI 0, VN 4, mode 4; stratum 1; poll 6; precision -20; root delay
// 0.5 s; root dispersion 1/65536 s; reference "GPS"; reference, originate, receive and transmit times.
const std::vector<std::uint8_t> kAnswer = {
    0x24, 0x01, 0x06, 0xEC, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x01, 'G',  'P',  'S',  0x00,
    0xE9, 0xA1, 0xB2, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE9, 0xA1, 0xB2, 0xC3, 0x80, 0x00, 0x00, 0x00,
    0xE9, 0xA1, 0xB2, 0xC4, 0x40, 0x00, 0x00, 0x00, 0xE9, 0xA1, 0xB2, 0xC4, 0x40, 0x00, 0x10, 0x00,
};

std::vector<std::uint8_t> WithByte(std::size_t index, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = kAnswer;
    bytes[index] = value;
    return bytes;
}

TEST(SntpPacket, RequestCarriesVersionModeAndTransmitTimeOnly) {
    const SntpBytes request = MakeSntpRequest(kSent);
    EXPECT_EQ(request[0], 0x23); // LI 0, VN 4, mode 3
    for (std::size_t i = 1; i < 40; ++i) {
        EXPECT_EQ(request[i], 0) << i;
    }
    const std::vector<std::uint8_t> transmit(request.begin() + 40, request.end());
    EXPECT_EQ(transmit, (std::vector<std::uint8_t>{0xE9, 0xA1, 0xB2, 0xC3, 0x80, 0x00, 0x00, 0x00}));
}

TEST(SntpPacket, DecodesEveryFieldAndEncodesBackToTheSameBytes) {
    const std::optional<SntpPacket> packet = DecodeSntp(kAnswer);
    ASSERT_TRUE(packet.has_value());
    EXPECT_EQ(packet->leap, 0);
    EXPECT_EQ(packet->version, 4);
    EXPECT_EQ(packet->mode, kModeServer);
    EXPECT_EQ(packet->stratum, 1);
    EXPECT_EQ(packet->poll, 6);
    EXPECT_EQ(packet->precision, -20);
    EXPECT_EQ(NtpShortSeconds(packet->rootDelay), 0.5);
    EXPECT_EQ(NtpShortSeconds(packet->rootDispersion), 1.0 / 65536);
    EXPECT_EQ(PrecisionSeconds(packet->precision), 1.0 / (1 << 20));
    EXPECT_EQ(packet->reference, (NtpTimestamp{0xE9A1B200u, 0}));
    EXPECT_EQ(FormatReferenceId(packet->stratum, packet->referenceId), "GPS");
    EXPECT_EQ(packet->originate, kSent);
    EXPECT_EQ(packet->receive, (NtpTimestamp{0xE9A1B2C4u, 0x40000000u}));
    EXPECT_EQ(packet->transmit, (NtpTimestamp{0xE9A1B2C4u, 0x40001000u}));
    const SntpBytes encoded = EncodeSntp(*packet);
    EXPECT_EQ(std::vector<std::uint8_t>(encoded.begin(), encoded.end()), kAnswer);
}

TEST(SntpPacket, LeapIndicatorIsTheTopTwoBits) {
    EXPECT_EQ(DecodeSntp(WithByte(0, 0xE4))->leap, kLeapUnsynchronised);
    SntpPacket packet;
    packet.leap = kLeapUnsynchronised;
    packet.mode = kModeServer;
    EXPECT_EQ(EncodeSntp(packet)[0], 0xE4);
}

TEST(SntpPacket, AnswerChecks) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        SntpVerdict expected;
    };
    std::vector<std::uint8_t> zeroTransmit = kAnswer;
    std::fill(zeroTransmit.begin() + 40, zeroTransmit.end(), 0);
    const std::vector<Case> cases = {
        {kAnswer, SntpVerdict::Valid},
        {WithByte(0, 0x1C), SntpVerdict::Valid}, // version 3
        {std::vector<std::uint8_t>(kAnswer.begin(), kAnswer.begin() + 47), SntpVerdict::Short},
        {WithByte(0, 0x23), SntpVerdict::NotServerMode},
        {WithByte(0, 0x25), SntpVerdict::NotServerMode}, // broadcast
        {WithByte(0, 0x14), SntpVerdict::BadVersion},
        {WithByte(0, 0x2C), SntpVerdict::BadVersion},
        {WithByte(31, 0x01), SntpVerdict::OriginateMismatch},
        {zeroTransmit, SntpVerdict::ZeroTransmit},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(CheckSntpAnswer(cases[i].bytes, kSent), cases[i].expected) << "case " << i;
    }
}

TEST(SntpPacket, OffsetAndDelayFromFourTimes) {
    // The server is 1 s ahead; the request takes 0.1 s, the server 0.05 s, the answer 0.1 s.
    const NtpTimestamp t1{1000, 0};
    const NtpTimestamp t2{1001, 0x1999999Au}; // +1.1
    const NtpTimestamp t3{1001, 0x26666666u}; // +1.15
    const NtpTimestamp t4{1000, 0x40000000u}; // +0.25
    const SntpSample sample = ComputeSntpSample(t1, t2, t3, t4);
    EXPECT_NEAR(sample.offset, 1.0, 1e-9);
    EXPECT_NEAR(sample.delay, 0.2, 1e-9);
}

// A server cannot send before it received, nor hold the request longer than the round trip here: such
// an answer has no offset to trust, and its delay would make the offset's uncertainty as large as it likes.
TEST(SntpPacket, TimesThatCannotBeTrue) {
    // Sent at 1000 s, answered here 0.25 s later; the server's clock 1 s ahead.
    const NtpTimestamp sent{1000, 0};
    const NtpTimestamp arrived{1000, 0x40000000u};
    struct Case {
        const char* name;
        NtpTimestamp receive;
        NtpTimestamp transmit;
        SntpVerdict expected;
    };
    const Case cases[] = {
        {"held 0.05 s", {1001, 0x1999999Au}, {1001, 0x26666666u}, SntpVerdict::Valid},
        {"held the whole round trip", {1001, 0}, {1001, 0x40000000u}, SntpVerdict::Valid},
        {"held a microsecond more, within our clock's rounding",
         {1001, 0},
         {1001, 0x40001000u},
         SntpVerdict::Valid},
        {"received 100000 s after it sent", {101001, 0}, {1001, 0}, SntpVerdict::TransmitBeforeReceive},
        {"received a tick after it sent", {1001, 1}, {1001, 0}, SntpVerdict::TransmitBeforeReceive},
        {"held 100 s of a 0.25 s round trip", {901, 0}, {1001, 0}, SntpVerdict::HeldBeyondRoundTrip},
        {"held 0.3 s of a 0.25 s round trip",
         {1001, 0},
         {1001, 0x4CCCCCCDu},
         SntpVerdict::HeldBeyondRoundTrip},
    };
    for (const Case& c : cases) {
        SntpPacket answer = *DecodeSntp(kAnswer);
        answer.originate = sent;
        answer.receive = c.receive;
        answer.transmit = c.transmit;
        EXPECT_EQ(CheckSntpTimes(answer, arrived), c.expected) << c.name;
    }
    // This PC's clock went back between the request and its answer: no round trip to hold the server to.
    SntpPacket answer = *DecodeSntp(kAnswer);
    answer.originate = sent;
    answer.receive = answer.transmit = NtpTimestamp{1001, 0};
    EXPECT_EQ(CheckSntpTimes(answer, NtpTimestamp{999, 0}), SntpVerdict::ArrivedBeforeSent);
}

// A name where the bytes are one, the four bytes dotted where not: nothing is dropped unseen.
TEST(SntpPacket, ReferenceIdIsANameOrTheFourBytes) {
    struct Case {
        int stratum;
        std::uint32_t id;
        const char* text;
    };
    for (const Case& c :
         {Case{2, 0xC0A80101u, "192.168.1.1"}, Case{0, 0x52415445u, "RATE"}, Case{1, 0x47505300u, "GPS"},
          Case{1, 0x7F7F0101u, "127.127.1.1"}, Case{1, 0x47005300u, "71.0.83.0"},
          Case{1, 0x47505380u, "71.80.83.128"}, Case{1, 0, ""}}) {
        EXPECT_EQ(FormatReferenceId(static_cast<std::uint8_t>(c.stratum), c.id), c.text) << std::hex << c.id;
    }
}

} // namespace
