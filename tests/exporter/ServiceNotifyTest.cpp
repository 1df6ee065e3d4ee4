#include "exporter/ServiceNotify.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// systemd's side: a datagram socket named by NOTIFY_SOCKET, which READY=1 reaches.
TEST(ServiceNotify, TellsTheNotifySocketThatTheServiceIsReady) {
    const std::string path = testing::TempDir() + "vantrex-notify-" + std::to_string(getpid());
    const int socketHandle = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(socketHandle, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    (void)unlink(path.c_str());
    ASSERT_EQ(bind(socketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    ASSERT_EQ(unsetenv("NOTIFY_SOCKET"), 0);
    EXPECT_TRUE(NotifyReady()); // not a service: nothing to tell
    ASSERT_EQ(setenv("NOTIFY_SOCKET", path.c_str(), 1), 0);
    EXPECT_TRUE(NotifyReady());
    char message[64] = {};
    EXPECT_EQ(recv(socketHandle, message, sizeof message - 1, MSG_DONTWAIT), 7);
    EXPECT_STREQ(message, "READY=1");
    (void)unsetenv("NOTIFY_SOCKET");
    close(socketHandle);
    (void)unlink(path.c_str());
}

} // namespace
