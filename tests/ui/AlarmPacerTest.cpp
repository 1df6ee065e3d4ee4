// The alarms of the device's transitions over time: their texts and urgency, which transitions raise
// none, and how a subject that changes often has its recoveries held to the end of the minute.
#include "ui/AlarmPacer.h"
#include "resources/StringTable.h"

#include "tests/devicelog/OffsetProblem.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Topic = TransitionSubject::Topic;
using Clock = CAlarmPacer::Clock;

constexpr const char* kDevice = "10.0.0.5";

struct Step {
    int second; // since the scenario's start
    // Given to the pacer at that second; without any, the pacer's tick runs then.
    std::vector<Transition> transitions;
    std::vector<std::string> alarms; // as Describe writes them
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

Transition Of(Topic topic, TransitionKind kind, Severity severity = Severity::Ok, std::string text = {}) {
    return MakeTransition(kDevice, topic, kind, severity, std::move(text));
}

Transition ProblemChange(TransitionKind kind, Severity severity, std::string text) {
    return OffsetProblem(kDevice, kind, severity, std::move(text));
}

Transition OnConnecting(Transition transition) {
    transition.onConnecting = true;
    return transition;
}

const Transition kGpsLost = Of(Topic::GpsLock, TransitionKind::Lost, Severity::Warning);
const Transition kGpsRegained = Of(Topic::GpsLock, TransitionKind::Regained);
const Transition kSyncLost = Of(Topic::TimeSync, TransitionKind::Lost, Severity::Critical);

std::string Describe(const Alarm& alarm) {
    if (alarm.kind == AlarmKind::Withdrawal) {
        return alarm.summary.empty() && alarm.body.empty() ? "withdrawal" : "withdrawal with words";
    }
    return std::string(alarm.kind == AlarmKind::Loss ? "loss " : "recovery ") +
           (alarm.urgency == AlarmUrgency::Critical ? "critical " : "normal ") + alarm.summary + " | " +
           alarm.body;
}

const std::string kGpsLostAlarm =
    "loss critical 10.0.0.5: GPS lock lost | The device's receiver reports no GPS lock.";
const std::string kGpsRegainedAlarm =
    "recovery normal 10.0.0.5: GPS lock regained | The device's receiver reports GPS lock again.";

std::string GpsLostAlarm(int changes) {
    return "loss critical 10.0.0.5: GPS lock lost (" + std::to_string(changes) +
           " changes in the last minute) | The device's receiver reports no GPS lock.";
}

const std::vector<Scenario> kScenarios = {
    {"a loss and its recovery 14 s later are each said at once",
     {{0, {kGpsLost}, {kGpsLostAlarm}}, {14, {kGpsRegained}, {kGpsRegainedAlarm}}, {60, {}, {}}}},
    {"beyond two changes within a minute a loss is said with the count, a recovery withdraws it and is "
     "said at the minute's end",
     {{0, {kGpsLost}, {kGpsLostAlarm}},
      {10, {kGpsRegained}, {kGpsRegainedAlarm}},
      {46, {kGpsLost}, {GpsLostAlarm(3)}},
      {50, {}, {}},
      {55, {kGpsRegained}, {"withdrawal"}},
      {57, {kGpsLost}, {GpsLostAlarm(5)}},
      {58, {kGpsRegained}, {"withdrawal"}},
      {60,
       {},
       {"recovery normal 10.0.0.5: GPS lock regained (6 changes in the last minute) | The device's "
        "receiver reports GPS lock again."}},
      {70, {kGpsLost}, {kGpsLostAlarm}},
      {80, {kGpsRegained}, {"withdrawal"}},
      {119, {}, {}},
      {120,
       {},
       {"recovery normal 10.0.0.5: GPS lock regained (3 changes in the last minute) | The device's "
        "receiver reports GPS lock again."}}}},
    {"subjects are paced each on its own",
     {{0, {kGpsLost}, {kGpsLostAlarm}},
      {1, {kGpsRegained}, {kGpsRegainedAlarm}},
      {2,
       {kSyncLost, kGpsRegained},
       {"loss critical 10.0.0.5: Time sync lost | The device's time daemon has no system peer.",
        "withdrawal"}}}},
    {"what the user sees on connecting and the firmware raise nothing and use up nothing",
     {{0,
       {OnConnecting(kGpsLost), Of(Topic::Firmware, TransitionKind::FirmwareSeen, Severity::Ok, "1.0")},
       {}},
      {1, {kGpsRegained}, {kGpsRegainedAlarm}},
      {2, {kGpsLost}, {kGpsLostAlarm}}}},
    {"the connection, a problem and the clock; a cleared problem says what holds now",
     {{0,
       {Of(Topic::Connection, TransitionKind::Lost, Severity::Critical),
        Of(Topic::Connection, TransitionKind::Regained)},
       {"loss critical 10.0.0.5: Connection lost | The device stopped answering or closed the connection.",
        "recovery normal 10.0.0.5: Connection restored | The window is connected to the device again."}},
      {1,
       {ProblemChange(TransitionKind::Found, Severity::Warning, "clock offset beyond 1 s (+4.600 s)"),
        Of(Topic::ClockStep, TransitionKind::Stepped, Severity::Warning, "device clock stepped by -4.5 s")},
       {"loss normal 10.0.0.5: New problem (WARNING) | clock offset beyond 1 s (+4.600 s)",
        "loss normal 10.0.0.5: Device clock stepped | device clock stepped by -4.5 s"}},
      {61,
       {ProblemChange(TransitionKind::SeverityChanged, Severity::Critical,
                      "clock offset beyond 5 s (+5.400 s)"),
        ProblemChange(TransitionKind::SeverityChanged, Severity::Warning,
                      "clock offset beyond 1 s (+4.600 s)"),
        ProblemChange(TransitionKind::Cleared, Severity::Ok, "clock offset beyond 1 s (+4.600 s)")},
       {"loss critical 10.0.0.5: Problem now CRITICAL | clock offset beyond 5 s (+5.400 s)",
        "recovery normal 10.0.0.5: Problem now WARNING | clock offset beyond 1 s (+4.600 s)", "withdrawal"}},
      {62,
       {ProblemChange(TransitionKind::Found, Severity::Warning, "clock offset beyond 1 s (+4.600 s)")},
       {"loss normal 10.0.0.5: New problem (WARNING) (4 changes in the last minute) | clock offset beyond "
        "1 s (+4.600 s)"}},
      {63,
       {ProblemChange(TransitionKind::Cleared, Severity::Ok, "clock offset beyond 1 s (+4.600 s)")},
       {"withdrawal"}},
      {121,
       {},
       {"recovery normal 10.0.0.5: Problem cleared (5 changes in the last minute) | The rule offset finds "
        "nothing wrong now."}}}},
};

TEST(AlarmPacer, ALossIsAlwaysSaidAndARecoveryOfAnOftenChangingSubjectHeld) {
    const Clock::time_point start{std::chrono::hours(1)};
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        CAlarmPacer pacer([](int id) { return std::string(LoadStringResource(id)); });
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE("second " + std::to_string(step.second));
            const Clock::time_point now = start + std::chrono::seconds(step.second);
            std::vector<std::string> raised;
            for (const Alarm& alarm :
                 step.transitions.empty() ? pacer.OnTick(now) : pacer.OnTransitions(step.transitions, now)) {
                raised.push_back(Describe(alarm));
                EXPECT_EQ(alarm.device, kDevice);
            }
            EXPECT_EQ(raised, step.alarms);
        }
    }
}

TEST(AlarmPacer, HoldsUntilTheEndOfTheMinuteAndForgetsWhatItHeld) {
    const Clock::time_point start{std::chrono::hours(1)};
    CAlarmPacer pacer([](int id) { return std::string(LoadStringResource(id)); });
    for (const int second : {0, 5, 20, 25}) {
        (void)pacer.OnTransitions({second % 10 == 5 ? kGpsRegained : kGpsLost},
                                  start + std::chrono::seconds(second));
    }
    EXPECT_EQ(pacer.NextDue(), start + CAlarmPacer::kCountedSpan);
    EXPECT_TRUE(pacer.OnTick(start + std::chrono::seconds(59)).empty());
    pacer.Forget();
    EXPECT_EQ(pacer.NextDue(), std::nullopt);
    EXPECT_TRUE(pacer.OnTick(start + std::chrono::seconds(60)).empty());
}

} // namespace
