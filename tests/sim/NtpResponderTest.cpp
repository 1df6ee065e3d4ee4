#include "sim/NtpResponder.h"
#include "ntp/SntpPacket.h"
#include "runtime/RealTimeClock.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr const char* kAddress = "127.0.140.2";
constexpr unsigned short kPort = 12304;
constexpr std::int64_t kAnsweredLateMicros = 300000;
constexpr int kRounds = 5;

// Sends one request and answers it kAnsweredLateMicros after it came: how long before its answer left the
// answer says it was received.
std::int64_t ReceivedLeadMicros(int device, int client) {
    const SntpBytes request = MakeSntpRequest(NtpFromUnixMicros(RealTimeMicros()));
    EXPECT_EQ(send(client, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    std::this_thread::sleep_for(std::chrono::microseconds(kAnsweredLateMicros));
    CNtpPath path;
    AnswerNtpRequests(
        device, NtpSetting{}, CDeviceClock(ClockSetting{}), [](std::uint32_t) { return true; }, path);
    pollfd readable{client, POLLIN, 0};
    SntpBytes bytes{};
    if (poll(&readable, 1, 3000) != 1 ||
        recv(client, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()) ||
        !DecodeSntp(bytes)) {
        ADD_FAILURE() << "no answer";
        return 0;
    }
    const SntpPacket answer = *DecodeSntp(bytes);
    const std::int64_t now = RealTimeMicros();
    return UnixMicrosFromNtp(answer.transmit, now) - UnixMicrosFromNtp(answer.receive, now);
}

// A request the device gets to late is answered as received when it arrived: the wait counts as neither
// offset nor delay for the client.
TEST(NtpResponder, ReceiveTimeIsTheArrivalNotTheAnswer) {
    std::string error;
    const int device = OpenNtpSocket(kAddress, kPort, error);
    ASSERT_GE(device, 0) << error;
    const int client = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(kPort);
    ASSERT_EQ(inet_pton(AF_INET, kAddress, &peer.sin_addr), 1);
    ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&peer), sizeof peer), 0);
    // Linux turns stamping on for the whole system a moment after the first socket asks for it, and stamps
    // what arrives sooner as it is read; a few rounds get past that moment.
    std::int64_t leadMicros = 0;
    for (int round = 0; round < kRounds && leadMicros < kAnsweredLateMicros / 2; ++round) {
        leadMicros = ReceivedLeadMicros(device, client);
    }
    // Generous: the answer left kAnsweredLateMicros after the request arrived.
    EXPECT_GE(leadMicros, kAnsweredLateMicros / 2);
    close(client);
    close(device);
}

// Over a long path the answer waits for the round trip, and the device's times lie halfway along it, so
// that a client's offset stays true.
TEST(NtpResponder, ALongPathHoldsTheAnswerForItsRoundTrip) {
    constexpr std::int64_t kRoundTripMicros = 200000;
    std::string error;
    const int device = OpenNtpSocket(kAddress, kPort + 1, error);
    ASSERT_GE(device, 0) << error;
    const int client = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(kPort + 1);
    ASSERT_EQ(inet_pton(AF_INET, kAddress, &peer.sin_addr), 1);
    ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&peer), sizeof peer), 0);
    const std::int64_t sentMicros = RealTimeMicros();
    const SntpBytes request = MakeSntpRequest(NtpFromUnixMicros(sentMicros));
    ASSERT_EQ(send(client, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    pollfd readable{device, POLLIN, 0};
    ASSERT_EQ(poll(&readable, 1, 3000), 1);

    CNtpPath path;
    const auto before = CNtpPath::Clock::now();
    EXPECT_EQ(AnswerNtpRequests(
                  device, NtpSetting{.pathDelayMicros = kRoundTripMicros}, CDeviceClock(ClockSetting{}),
                  [](std::uint32_t) { return true; }, path),
              1);
    ASSERT_TRUE(path.NextDue());
    EXPECT_GT(*path.NextDue(), before + std::chrono::microseconds(kRoundTripMicros / 2));
    readable.fd = client;
    EXPECT_EQ(poll(&readable, 1, 0), 0) << "answered at once";
    path.SendDue(*path.NextDue());
    EXPECT_FALSE(path.NextDue());
    SntpBytes bytes{};
    ASSERT_EQ(poll(&readable, 1, 3000), 1);
    ASSERT_EQ(recv(client, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    const SntpPacket answer = *DecodeSntp(bytes);
    const std::int64_t receivedMicros = UnixMicrosFromNtp(answer.receive, sentMicros);
    EXPECT_GE(receivedMicros - sentMicros, kRoundTripMicros / 2);
    EXPECT_LT(receivedMicros - sentMicros, kRoundTripMicros);
    close(client);
    close(device);
}

} // namespace
