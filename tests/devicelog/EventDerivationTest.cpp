// The device log's events: the window's actions step by step against what the log remembers of them,
// and the event of each kind of transition the observer of the readings finds.
#include "devicelog/EventDerivation.h"
#include "resources/StringTable.h"
#include "tests/devicelog/OffsetProblem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = WindowAction::Kind;
using Topic = TransitionSubject::Topic;

struct Step {
    WindowAction action;
    // "severity code address", and " | text" where the text is checked too.
    std::vector<std::string> events;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

constexpr const char* kA = "10.0.0.5";
constexpr const char* kB = "10.0.0.6";
constexpr std::int64_t kUtc = 1700000000000000;

WindowAction Connect(const std::string& address, const std::string& link = "shell") {
    return WindowAction{Kind::Connected, address, link, {}};
}

WindowAction Act(Kind kind, WindowAction::AddressChange change = {}) {
    return WindowAction{kind, "", "", std::move(change)};
}

std::string Describe(const DeviceEvent& event, bool withText) {
    std::string described =
        std::string(EventSeverityName(event.severity)) + " " + event.code + " " + event.address;
    return withText ? described + " | " + event.text : described;
}

std::vector<std::string> DescribeAll(const std::vector<DeviceEvent>& events,
                                     const std::vector<std::string>& expected) {
    std::vector<std::string> described;
    for (std::size_t at = 0; at < events.size(); ++at) {
        const bool withText = at < expected.size() && expected[at].find(" | ") != std::string::npos;
        EXPECT_EQ(events[at].utcMicros, kUtc);
        described.push_back(Describe(events[at], withText));
    }
    return described;
}

const std::vector<Scenario> kScenarios = {
    {"connected, lost and connected again; the user disconnects",
     {{Connect(kA, "telnet"), {"info connected 10.0.0.5 | Connected to 10.0.0.5 (telnet)"}},
      {Act(Kind::ConnectionLost), {}},
      {Connect(kA), {"info connected 10.0.0.5"}},
      {Act(Kind::Disconnected), {"info disconnected 10.0.0.5 | Disconnected"}},
      {Act(Kind::Disconnected), {}},
      {Connect(kB), {"info connected 10.0.0.6"}}}},
    {"an address change followed to the new address: the same device",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Act(Kind::ChangeAsked, {kB, "255.255.255.0", "10.0.0.1"}),
       {"info address-change-asked 10.0.0.5 | Address change asked from 10.0.0.5 to 10.0.0.6, subnet mask "
        "255.255.255.0, gateway 10.0.0.1"}},
      {Act(Kind::ChangeSent),
       {"info address-change-sent 10.0.0.5 | Address change sent to the device at 10.0.0.5"}},
      {Act(Kind::ConnectionLost), {}},
      {Act(Kind::Disconnected), {}},
      {Connect(kB),
       {"info address-change-done 10.0.0.6 | Device now at 10.0.0.6", "info connected 10.0.0.6"}}}},
    {"a change to DHCP asked, then one to an address that never answers",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Act(Kind::ChangeAsked, {"", "", ""}),
       {"info address-change-asked 10.0.0.5 | Address change asked from 10.0.0.5 to DHCP"}},
      {Act(Kind::ChangeAsked, {kB, "255.255.0.0", "10.0.0.1"}), {"info address-change-asked 10.0.0.5"}},
      {Act(Kind::ChangeSent), {"info address-change-sent 10.0.0.5"}},
      {Act(Kind::ConnectionLost), {}},
      {Act(Kind::ChangeTimedOut),
       {"critical address-change-timed-out 10.0.0.5 | The device did not answer at 10.0.0.6 within 2 "
        "minutes."}},
      {Connect(kA), {"info connected 10.0.0.5"}}}},
    {"a change the device did not take: it stays connected, and its disconnection is the user's",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Act(Kind::ChangeAsked, {kB, "255.255.255.0", "10.0.0.1"}), {"info address-change-asked 10.0.0.5"}},
      {Act(Kind::ChangeSent), {"info address-change-sent 10.0.0.5"}},
      {Act(Kind::ChangeNotTaken),
       {"warning address-change-not-taken 10.0.0.5 | The device did not restart; the change may not have "
        "been "
        "taken"}},
      {Act(Kind::Disconnected), {"info disconnected 10.0.0.5"}}}},
};

TEST(EventDerivation, EachActionGivesItsEvents) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        DeviceLogState state;
        for (std::size_t index = 0; index < scenario.steps.size(); ++index) {
            const Step& step = scenario.steps[index];
            EXPECT_EQ(DescribeAll(ActionEvents(state, kUtc, step.action, LoadStringResource), step.events),
                      step.events)
                << "step " << index;
        }
    }
}

Transition Of(Topic topic, TransitionKind kind, Severity severity = Severity::Ok, std::string text = {}) {
    return MakeTransition(kA, topic, kind, severity, std::move(text));
}

Transition ProblemOf(TransitionKind kind, Severity severity, std::string text) {
    return OffsetProblem(kA, kind, severity, std::move(text));
}

TEST(EventDerivation, EachTransitionGivesOneEvent) {
    Transition changed = Of(Topic::Firmware, TransitionKind::FirmwareChanged, Severity::Ok, "1.1\x1b");
    changed.before = "1.0";
    const std::vector<Transition> transitions = {
        Of(Topic::Connection, TransitionKind::Lost, Severity::Critical),
        Of(Topic::Connection, TransitionKind::Regained),
        Of(Topic::GpsLock, TransitionKind::Lost, Severity::Warning),
        Of(Topic::GpsLock, TransitionKind::Regained),
        Of(Topic::TimeSync, TransitionKind::Lost, Severity::Critical),
        Of(Topic::TimeSync, TransitionKind::Regained),
        ProblemOf(TransitionKind::Found, Severity::Warning, "clock offset beyond 1 s (+4.600 s)"),
        ProblemOf(TransitionKind::SeverityChanged, Severity::Critical, "clock offset beyond 5 s (+5.400 s)"),
        ProblemOf(TransitionKind::Cleared, Severity::Ok, "clock offset beyond 5 s (+5.400 s)"),
        Of(Topic::ClockStep, TransitionKind::Stepped, Severity::Warning, "device clock stepped by -4.5 s"),
        Of(Topic::Firmware, TransitionKind::FirmwareSeen, Severity::Ok, "1.0"),
        changed,
    };
    const std::vector<std::string> expected = {
        "critical connection-lost 10.0.0.5 | Connection lost",
        "info connection-restored 10.0.0.5 | Connection restored",
        "warning gps-lock-lost 10.0.0.5 | GPS lock lost",
        "info gps-lock-regained 10.0.0.5 | GPS lock regained",
        "critical time-sync-lost 10.0.0.5 | Time sync lost",
        "info time-sync-regained 10.0.0.5 | Time sync regained",
        "warning problem-found:offset 10.0.0.5 | Problem (WARNING): clock offset beyond 1 s (+4.600 s)",
        "critical problem-found:offset 10.0.0.5 | Problem (CRITICAL): clock offset beyond 5 s (+5.400 s)",
        "info problem-cleared:offset 10.0.0.5 | Problem cleared: clock offset beyond 5 s (+5.400 s)",
        "warning clock-stepped 10.0.0.5 | device clock stepped by -4.5 s",
        "info firmware-seen 10.0.0.5 | Firmware version 1.0",
        "info firmware-changed 10.0.0.5 | Firmware version changed from 1.0 to 1.1\\x1b",
    };
    EXPECT_EQ(DescribeAll(TransitionEvents(kUtc, transitions, LoadStringResource), expected), expected);
}

} // namespace
