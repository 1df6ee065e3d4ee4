#include "exporter/PasswordChecks.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Both for the password "secret": cost 10 (about 0.1 s a check, as htpasswd -B makes them) and cost 4.
constexpr const char* kCost10 = "$2b$10$lUwat8kT5jD4RkYbnw9RVe2shGM848gs7A95uC7HDSCUaIMzDjN0K";
constexpr const char* kCost4 = "$2y$04$h4GA8jw04u09RW2yfmZHee1LdU1drAY.x93F/8p01TkeKPfczpBgi";

CPendingLogin Login(const char* password, const char* hash) {
    return CPendingLogin("prom", password, hash, true);
}

// Runs the loop until done says so, at most 30 s.
void RunUntil(CEventLoop& loop, const std::function<bool()>& done) {
    const auto deadline = CEventLoop::Clock::now() + 30s;
    while (!done() && CEventLoop::Clock::now() < deadline) {
        (void)loop.Wait(deadline);
    }
}

// bcrypt runs off the loop: a timer due at once fires before the check's answer comes back.
TEST(PasswordChecks, TheLoopRunsWhileACheckDoesAndHearsItsAnswer) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    CPasswordChecks checks(*loop);
    std::vector<std::string> events;
    ASSERT_TRUE(checks.Submit("127.0.0.1", Login("secret", kCost10),
                              [&events](const CPendingLogin& login, bool matched) {
                                  events.push_back(login.User() + (matched ? " matched" : " refused"));
                              }));
    loop->StartTimer(CEventLoop::Clock::now(), [&events](unsigned) { events.emplace_back("timer"); });
    RunUntil(*loop, [&events] { return events.size() == 2; });
    EXPECT_EQ(events, (std::vector<std::string>{"timer", "prom matched"}));
}

// One login waits per client address, and kQueued in all (beside the one being checked); a client that
// left is never answered, and the others are, each with its own answer.
TEST(PasswordChecks, OneLoginPerClientABoundedQueueAndNoAnswerToThoseWhoLeft) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    CPasswordChecks checks(*loop);
    std::map<std::string, bool> answers;
    const auto submit = [&checks, &answers](const std::string& client, const char* password,
                                            const char* hash) {
        return checks.Submit(
            client, Login(password, hash),
            [&answers, client](const CPendingLogin&, bool matched) { answers[client] = matched; });
    };
    ASSERT_TRUE(submit("busy", "secret", kCost10)); // holds the worker while the rest queue
    EXPECT_FALSE(submit("busy", "secret", kCost4));
    std::vector<std::optional<CPasswordChecks::Ticket>> tickets;
    for (std::size_t client = 0; client <= CPasswordChecks::kQueued; ++client) {
        tickets.push_back(submit(std::to_string(client), client == 0 ? "wrong" : "secret", kCost4));
    }
    EXPECT_FALSE(tickets.back()) << "the queue takes more than " << CPasswordChecks::kQueued;
    ASSERT_TRUE(tickets[1]);
    checks.Cancel(*tickets[1]);
    const std::size_t expected = static_cast<std::size_t>(
        std::count_if(tickets.begin(), tickets.end(), [](const auto& t) { return t.has_value(); }));
    RunUntil(*loop, [&answers, expected] { return answers.size() == expected; });
    EXPECT_EQ(answers.size(), expected);
    EXPECT_EQ(answers.count("1"), 0U);
    EXPECT_TRUE(answers["busy"]);
    EXPECT_FALSE(answers["0"]);
    EXPECT_TRUE(answers["2"]);
}

// Stop joins the worker in the middle of its work, answers no one, and takes no more logins.
TEST(PasswordChecks, StopEndsTheWorkerAndLeavesTheLoopAlone) {
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    CPasswordChecks checks(*loop);
    bool answered = false;
    const auto done = [&answered](const CPendingLogin&, bool) { answered = true; };
    ASSERT_TRUE(checks.Submit("a", Login("secret", kCost10), done));
    ASSERT_TRUE(checks.Submit("b", Login("secret", kCost10), done));
    checks.Stop();
    EXPECT_EQ(loop->WatchCount(), 0U);
    EXPECT_FALSE(checks.Submit("c", Login("secret", kCost4), done));
    EXPECT_FALSE(answered);
}

} // namespace
