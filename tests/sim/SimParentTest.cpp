// A sim started with --exit-with-parent must not outlive the process that started it, or its address
// stays bound and breaks the next run.
#include "LoopbackClient.h"
#include "tests/support/ChildProcess.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short kShellPort = 5316;
constexpr int kStartLimitMs = 10000;
constexpr auto kEndLimit = std::chrono::seconds(5);

// Makes this test process adopt orphaned descendants for its lifetime, so that it can reap a sim
// whose own parent is gone.
class CSubreaper {
public:
    CSubreaper() : m_bAdopting(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0) {}
    ~CSubreaper() {
        if (m_bAdopting) {
            (void)prctl(PR_SET_CHILD_SUBREAPER, 0);
        }
    }
    CSubreaper(const CSubreaper&) = delete;
    CSubreaper& operator=(const CSubreaper&) = delete;

    bool IsAdopting() const { return m_bAdopting; }

private:
    bool m_bAdopting;
};

// Waits up to kEndLimit for the adopted process pid to end; its wait status, or nullopt when it ran
// on (it is killed then, so that no test leaves a sim behind).
std::optional<int> ReapAdopted(pid_t pid) {
    const Clock::time_point deadline = Clock::now() + kEndLimit;
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    (void)waitpid(pid, &status, 0);
    return std::nullopt;
}

// Reads the shell's two lines, the sim's process id and the sim's ready line, in either order; the
// sim's id, or -1 when either line is missing.
pid_t ReadSimPid(CChildProcess& shell) {
    pid_t pid = -1;
    bool ready = false;
    for (int line = 0; line < 2; ++line) {
        const std::optional<std::string> text = shell.ReadLine(kStartLimitMs);
        if (!text) {
            return -1;
        }
        char* end = nullptr;
        const long number = std::strtol(text->c_str(), &end, 10);
        if (*text == "vantrex-sim ready") {
            ready = true;
        } else if (!text->empty() && *end == '\0' && number > 0 && number <= 2147483647L) {
            pid = static_cast<pid_t>(number);
        }
    }
    return ready ? pid : -1;
}

bool IsListening(const std::string& address) {
    CLoopbackClient client;
    return client.Connect(address, kShellPort);
}

struct ParentCase {
    const char* name;
    const char* address;
    const char* option; // as the shell that starts the sim sees it
};

// Names the case in test listings instead of its bytes.
void PrintTo(const ParentCase& parentCase, std::ostream* out) {
    *out << parentCase.name;
}

class SimParentTest : public ::testing::TestWithParam<ParentCase> {};

TEST_P(SimParentTest, SimEndsSoonAfterTheProcessThatStartedItIsKilled) {
    CSubreaper subreaper;
    ASSERT_TRUE(subreaper.IsAdopting());
    const std::string address = GetParam().address;
    const std::string script = std::string("\"$0\" ") + GetParam().option + " --address " + address +
                               " --telnet-port 0 --ready & echo $!; wait";
    CChildProcess shell;
    ASSERT_TRUE(shell.Start({"/bin/sh", "-c", script, VANTREX_SIM_PATH}));
    const pid_t sim = ReadSimPid(shell);
    ASSERT_GT(sim, 0) << "the sim did not start";
    EXPECT_TRUE(IsListening(address));

    EXPECT_EQ(shell.Stop(SIGKILL), 128 + SIGKILL);
    const std::optional<int> status = ReapAdopted(sim);
    ASSERT_TRUE(status.has_value()) << "the sim outlived its parent";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "it stops as on SIGTERM: " << *status;
    EXPECT_FALSE(IsListening(address));
}

INSTANTIATE_TEST_SUITE_P(ParentKnown, SimParentTest,
                         ::testing::Values(ParentCase{"AtStart", "127.0.3.102", "--exit-with-parent"},
                                           ParentCase{"Given", "127.0.3.103", "--exit-with-parent=$$"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimParent, ParentGoneBeforeTheTieEndsTheSimAtOnce) {
    // The sim's parent is this process; any other id stands for a parent that ended and was replaced.
    const std::string notTheParent = "--exit-with-parent=" + std::to_string(getppid());
    CChildProcess sim;
    ASSERT_TRUE(sim.Start(
        {VANTREX_SIM_PATH, notTheParent, "--address", "127.0.3.104", "--telnet-port", "0", "--ready"}));
    EXPECT_FALSE(sim.ReadLine(kStartLimitMs).has_value()) << "the sim ran without its parent";
    EXPECT_EQ(sim.Finish(kStartLimitMs), 0);
    EXPECT_FALSE(IsListening("127.0.3.104"));
}

} // namespace
