#include "link/WholeSend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// A socket that takes at most chunk bytes a call and, when busyEvery > 0, takes nothing on every
// busyEvery-th call; waits succeed until writableWaits of them have been used.
struct SocketBehaviour {
    int chunk;
    int busyEvery;
    int writableWaits;
};

struct FakeSocket {
    SocketBehaviour behaviour;
    std::string taken;
    int calls = 0;
    int waits = 0;

    int SendSome(std::string_view rest) {
        ++calls;
        if (behaviour.busyEvery > 0 && calls % behaviour.busyEvery == 0) {
            return -1;
        }
        const auto count = std::min<std::size_t>(rest.size(), static_cast<std::size_t>(behaviour.chunk));
        taken.append(rest.substr(0, count));
        return static_cast<int>(count);
    }
    bool AwaitWritable() { return waits++ < behaviour.writableWaits; }
};

struct WholeSendCase {
    const char* name;
    SocketBehaviour socket;
    bool sent;
    std::size_t bytesTaken;
};

class WholeSendTest : public ::testing::TestWithParam<WholeSendCase> {};

TEST_P(WholeSendTest, SendsEveryByteInOrderOrReportsFailure) {
    const std::string command = "echo '10.0.0.5' > /usr/ipaddress\necho '255.0.0.0' > /usr/netmask\n";
    FakeSocket socket{GetParam().socket, {}};
    const bool sent = SendWhole(
        command, [&](std::string_view rest) { return socket.SendSome(rest); },
        [&] { return socket.AwaitWritable(); });
    EXPECT_EQ(sent, GetParam().sent);
    EXPECT_EQ(socket.taken, command.substr(0, GetParam().bytesTaken));
}

INSTANTIATE_TEST_SUITE_P(
    Sockets, WholeSendTest,
    ::testing::Values(WholeSendCase{"AllAtOnce", {1000, 0, 0}, true, std::string::npos},
                      WholeSendCase{"ShortSendsAndBusySocket", {5, 3, 100}, true, std::string::npos},
                      WholeSendCase{"WaitEndsByStopOrTimeOut", {10, 3, 0}, false, 20},
                      WholeSendCase{"WritableButTakesNothing", {10, 1, 100}, false, 0}),
    [](const ::testing::TestParamInfo<WholeSendCase>& info) { return std::string(info.param.name); });

} // namespace
