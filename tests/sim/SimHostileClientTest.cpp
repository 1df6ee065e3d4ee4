// Clients that try to take the simulated device down or hog it: it must stay up and keep serving the
// others. Addresses 127.0.13.x.
#include "LoopbackClient.h"
#include "tests/support/SimProcess.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short kShellPort = 5316;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A listening socket of another program on address:port, closed when it goes.
class CPortTaker {
public:
    CPortTaker(const std::string& address, unsigned short port)
        : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        const int on = 1;
        // The sim's connections just closed there may linger in TIME_WAIT; they must not stop the taker.
        (void)setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        inet_pton(AF_INET, address.c_str(), &local.sin_addr);
        m_taken =
            bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 && listen(m_fd, 1) == 0;
    }
    ~CPortTaker() { close(m_fd); }
    CPortTaker(const CPortTaker&) = delete;
    CPortTaker& operator=(const CPortTaker&) = delete;

    bool Taken() const { return m_taken; }

private:
    int m_fd;
    bool m_taken = false;
};

// Waits up to timeoutMs until the sim's stderr holds text.
bool WaitForError(const CSimProcess& sim, const std::string& text, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    while (sim.ErrorOutput().find(text) == std::string::npos) {
        if (MsSince(start) > timeoutMs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Sends an address change on a new shell connection and waits until the device drops it.
void ChangeAddress(const std::string& address, const std::string& to) {
    CLoopbackClient shell;
    ASSERT_TRUE(shell.Connect(address, kShellPort));
    ASSERT_EQ(shell.ReadUntil("# "), "# ");
    ASSERT_TRUE(shell.Send("setip -i " + to + " -g 10.0.0.1 -s 255.0.0.0\n"));
    std::string text;
    ASSERT_TRUE(shell.ReadUntilClosed(text));
}

// Moved where it cannot listen, by another program or by itself, the device says so and comes back where
// it was instead of ending.
TEST(SimHostileClient, FollowingAnAddressThatIsTakenReportsItAndComesBackAtTheOldAddress) {
    const std::string from = "127.0.13.2";
    const std::string own = "127.0.13.4";
    const std::string taken = "127.0.13.3";
    CPortTaker taker(taken, kShellPort);
    ASSERT_TRUE(taker.Taken());
    for (const std::string& to : {taken, own}) {
        SCOPED_TRACE(to);
        CSimProcess sim;
        ASSERT_TRUE(sim.Start({"--address", from, "--address", own, "--telnet-port", "0", "--downtime", "0.5",
                               "--follow-address"}));
        ChangeAddress(from, to);
        CLoopbackClient back;
        ASSERT_TRUE(back.ConnectWithin(from, kShellPort, 5000)) << sim.ErrorOutput();
        EXPECT_EQ(back.ReadUntil("# "), "# ");
        const std::string failure = "cannot move " + from + " to " + to;
        EXPECT_NE(sim.ErrorOutput().find(failure), std::string::npos) << sim.ErrorOutput();
        const SimLog log = sim.ReadLog();
        ASSERT_EQ(log.failures.size(), 1u);
        EXPECT_TRUE(log.failures[0].starts_with(failure)) << log.failures[0];
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST(SimHostileClient, APortTakenDuringTheDowntimeIsTriedAgainUntilItIsFree) {
    const std::string address = "127.0.13.5";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--downtime", "2"}));
    ChangeAddress(address, "10.0.0.5");
    {
        CPortTaker taker(address, kShellPort);
        ASSERT_TRUE(taker.Taken());
        ASSERT_TRUE(WaitForError(sim, std::strerror(EADDRINUSE), 8000)) << sim.ErrorOutput();
    }
    CLoopbackClient back;
    ASSERT_TRUE(back.ConnectWithin(address, kShellPort, 5000)) << sim.ErrorOutput();
    EXPECT_EQ(back.ReadUntil("# "), "# ");
    const SimLog log = sim.ReadLog();
    ASSERT_EQ(log.failures.size(), 2u);
    EXPECT_NE(log.failures[0].find(address + ":5316"), std::string::npos) << log.failures[0];
    EXPECT_EQ(log.failures[1], "listening on " + address + ":5316 again");
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimHostileClient, ConnectionsBeyondTheLimitAreClosedAtOnceAndReported) {
    const std::string address = "127.0.13.6";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0", "--max-connections", "2"}));
    auto first = std::make_unique<CLoopbackClient>();
    CLoopbackClient second;
    ASSERT_TRUE(first->Connect(address, kShellPort));
    ASSERT_TRUE(second.Connect(address, kShellPort));
    EXPECT_EQ(first->ReadUntil("# "), "# ");
    EXPECT_EQ(second.ReadUntil("# "), "# ");
    CLoopbackClient third;
    ASSERT_TRUE(third.Connect(address, kShellPort));
    std::string text;
    EXPECT_TRUE(third.ReadUntilClosed(text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(WaitForError(sim, "1 connection(s) refused: 2 are open", 3000)) << sim.ErrorOutput();

    first.reset();
    // The sim may take the next one before it has seen the first go; that one is refused too.
    std::string prompt;
    for (int attempt = 0; attempt < 20 && prompt.empty(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        CLoopbackClient next;
        prompt = next.Connect(address, kShellPort) ? next.ReadUntil("# ") : "";
    }
    EXPECT_EQ(prompt, "# ");
}

// Sends commands on every flooder until its socket takes no more, within a bounded number of sends.
void Flood(std::vector<std::unique_ptr<CLoopbackClient>>& flooders) {
    std::string commands;
    for (int count = 0; count < 512; ++count) {
        commands += "ntpq -p\n";
    }
    for (auto& flooder : flooders) {
        for (int sends = 0; sends < 64 && flooder->Send(commands); ++sends) {
        }
    }
}

TEST(SimHostileClient, ClientsThatFloodWithoutReadingNeitherStarveAReaderNorGrowTheSim) {
    const std::string address = "127.0.13.1";
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", address, "--telnet-port", "0"})) << sim.ErrorOutput();
    CLoopbackClient reader;
    ASSERT_TRUE(reader.Connect(address, kShellPort));
    ASSERT_EQ(reader.ReadUntil("# "), "# ");
    // A sanitizer's sim takes ten times as long for each command: a quarter of the flooders already fill
    // more than it answers in a round, and the ten rounds stay well inside the test's time.
    const int flooderCount = VANTREX_SIM_INSTRUMENTED ? 100 : 400;
    std::vector<std::unique_ptr<CLoopbackClient>> flooders;
    for (int index = 0; index < flooderCount; ++index) {
        flooders.push_back(std::make_unique<CLoopbackClient>());
        ASSERT_TRUE(flooders.back()->Connect(address, kShellPort, 5000)) << index;
    }

    double slowestMs = 0;
    for (int round = 0; round < 10; ++round) {
        Flood(flooders);
        const Clock::time_point asked = Clock::now();
        ASSERT_TRUE(reader.Send("getdate\n"));
        const std::string answer = reader.ReadUntil("# ", 10000);
        slowestMs = std::max(slowestMs, MsSince(asked));
        ASSERT_TRUE(answer.starts_with("getdate\r\n") && answer.ends_with(" A\r\n# ")) << answer;
    }
    const long peakKiB = sim.PeakMemoryKiB();
    std::printf("slowest answer among flooders: %.0f ms; sim's peak memory: %ld KiB\n", slowestMs, peakKiB);
    // Every answer came within its 10 s. The slowest answer is a figure, not a bound: it grows with
    // whatever else the machine runs. What the sim queues does not, but instrumentation inflates it.
    if (!VANTREX_SIM_INSTRUMENTED) {
        EXPECT_LT(peakKiB, 64 * 1024) << "KiB";
    }
}

} // namespace
