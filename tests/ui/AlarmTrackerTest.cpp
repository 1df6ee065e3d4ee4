// The alarms of the window's readings, reading by reading: which changes raise one, their texts and
// urgency, and how a subject that flaps is held to one alarm a minute.
#include "ui/AlarmTracker.h"
#include "ui/res/StringTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Topic = AlarmSubject::Topic;

struct Step {
    int second; // since the scenario's start
    AlarmReading reading;
    std::vector<std::string> alarms; // as Describe writes them
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

AlarmReading Connected(IndicatorState gps, IndicatorState timeSync, std::vector<Problem> problems = {}) {
    return AlarmReading{AlarmConnection::Connected, gps, timeSync, std::move(problems)};
}

AlarmReading Ended(AlarmConnection connection) {
    return AlarmReading{connection, -1, -1, {}};
}

Problem Rule(ProblemCode code, Severity severity, std::string text) {
    return Problem{code, severity, std::move(text), std::nullopt};
}

std::string SubjectName(const AlarmSubject& subject) {
    switch (subject.topic) {
    case Topic::Connection:
        return "connection";
    case Topic::GpsLock:
        return "gps-lock";
    case Topic::TimeSync:
        return "time-sync";
    case Topic::Problem:
        break;
    }
    return ProblemCodeName(subject.problem);
}

std::string Describe(const Alarm& alarm) {
    return std::string(alarm.kind == AlarmKind::Loss ? "loss " : "recovery ") +
           (alarm.urgency == AlarmUrgency::Critical ? "critical " : "normal ") + SubjectName(alarm.subject) +
           ": " + alarm.summary + " | " + alarm.body;
}

const std::string kGpsLost =
    "loss critical gps-lock: GPS lock lost | The device's receiver reports no GPS lock.";
const std::string kGpsRegained =
    "recovery normal gps-lock: GPS lock regained | The device's receiver reports GPS lock again.";
const std::string kSyncLost =
    "loss critical time-sync: Time sync lost | The device's time daemon has no system peer.";
const std::string kSyncRegained =
    "recovery normal time-sync: Time sync regained | The device's time daemon has a system peer again.";
const std::string kConnectionLost =
    "loss critical connection: Connection lost | The device stopped answering or closed the connection.";
const std::string kConnectionRestored =
    "recovery normal connection: Connection restored | The window is connected to the device again.";

const std::string kRolloverText = "device date is 1024 weeks behind: GPS week-number rollover";
const Problem kRollover = Rule(ProblemCode::WeekRollover, Severity::Warning, kRolloverText);

const std::vector<Scenario> kScenarios = {
    {"GPS lock lost, kept lost, regained",
     {{0, Connected(1, 1), {}},
      {1, Connected(0, 1), {kGpsLost}},
      {2, Connected(0, 1), {}},
      {70, Connected(1, 1), {kGpsRegained}}}},
    {"time sync lost and regained",
     {{0, Connected(1, 1), {}}, {1, Connected(1, 0), {kSyncLost}}, {90, Connected(1, 1), {kSyncRegained}}}},
    {"lamps as read on connecting, and an undetermined lamp, raise nothing",
     {{0, Connected(-1, -1), {}},
      {1, Connected(0, 0), {}},
      {2, Connected(-1, -1), {}},
      {3, Connected(0, 0), {}}}},
    {"a lost connection raises one alarm, its lamps none, and a reconnection ends it",
     {{0, Connected(1, 1), {}},
      {1, Ended(AlarmConnection::Lost), {kConnectionLost}},
      {2, Ended(AlarmConnection::Closed), {}},
      {100, Connected(0, 0), {kConnectionRestored}}}},
    {"a connection the user closes raises nothing",
     {{0, Connected(1, 1), {}}, {1, Ended(AlarmConnection::Closed), {}}, {2, Connected(0, 0), {}}}},
    {"a connection ended by a confirmed address change raises nothing",
     {{0, Connected(1, 1), {}}, {1, Ended(AlarmConnection::Restarting), {}}, {40, Connected(1, 1), {}}}},
    {"a new WARNING problem and its recovery",
     {{0, Connected(1, 1), {}},
      {1,
       Connected(1, 1, {kRollover}),
       {"loss normal week-rollover: New problem (WARNING) | " + kRolloverText}},
      {2, Connected(1, 1, {kRollover}), {}},
      {80, Connected(1, 1), {"recovery normal week-rollover: Problem cleared | " + kRolloverText}}}},
    {"a CRITICAL problem is urgent, and stays one problem while its value or severity changes",
     {{0, Connected(1, 1), {}},
      {1,
       Connected(1, 1, {Rule(ProblemCode::Offset, Severity::Critical, "clock offset beyond 5 s (+6.000 s)")}),
       {"loss critical offset: New problem (CRITICAL) | clock offset beyond 5 s (+6.000 s)"}},
      {2,
       Connected(1, 1, {Rule(ProblemCode::Offset, Severity::Warning, "clock offset beyond 1 s (+3.000 s)")}),
       {}},
      {70,
       Connected(1, 1),
       {"recovery normal offset: Problem cleared | clock offset beyond 1 s (+3.000 s)"}}}},
    {"problems found on connecting, told by a lamp, or below WARNING raise nothing of their own",
     {{0, Connected(-1, -1), {}},
      {1, Connected(1, -1, {kRollover}), {}},
      {2, Connected(1, 1, {kRollover}), {}},
      {3,
       Connected(0, 0,
                 {kRollover, Rule(ProblemCode::GpsUnlocked, Severity::Warning, "GPS not locked"),
                  Rule(ProblemCode::NoSystemPeer, Severity::Critical, "no system peer")}),
       {kGpsLost, kSyncLost}},
      {4,
       Connected(0, 0,
                 {kRollover, Rule(ProblemCode::Pending, Severity::Unknown, "not read yet"),
                  Rule(ProblemCode::OffsetUncertain, Severity::Ok, "clock offset perhaps beyond 1 s")}),
       {}}}},
    {"a flapping lamp raises one alarm a minute, counting the changes held back",
     {{0, Connected(1, 1), {}},
      {1, Connected(0, 1), {kGpsLost}},
      {10, Connected(1, 1), {}},
      {20, Connected(0, 1), {}},
      {30, Connected(1, 1), {}},
      {61,
       Connected(1, 1),
       {"recovery normal gps-lock: GPS lock regained (3 changes in the last minute) | The device's receiver "
        "reports GPS lock again."}},
      {70, Connected(0, 1), {}},
      {121, Connected(0, 1), {kGpsLost}}}},
    {"changes held back for a lamp end with the connection",
     {{0, Connected(1, 1), {}},
      {1, Connected(0, 1), {kGpsLost}},
      {10, Connected(1, 1), {}},
      {20, Ended(AlarmConnection::Lost), {kConnectionLost}},
      {100, Connected(1, 1), {kConnectionRestored}}}},
    {"a flapping connection is told once it has been quiet for a minute",
     {{0, Connected(1, 1), {}},
      {1, Ended(AlarmConnection::Lost), {kConnectionLost}},
      {5, Connected(1, 1), {}},
      {6, Ended(AlarmConnection::Lost), {}},
      {7, Ended(AlarmConnection::Closed), {}},
      {61,
       Ended(AlarmConnection::Closed),
       {"loss critical connection: Connection lost (2 changes in the last minute) | The device stopped "
        "answering or closed the connection."}}}},
};

TEST(AlarmTracker, EachChangeForTheWorseAndEachRecoveryRaisesOneAlarm) {
    const CAlarmTracker::Clock::time_point start{std::chrono::hours(1)};
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        CAlarmTracker tracker([](int id) { return std::string(LoadStringResource(id)); });
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE("second " + std::to_string(step.second));
            std::vector<std::string> raised;
            for (const Alarm& alarm :
                 tracker.Update(step.reading, start + std::chrono::seconds(step.second))) {
                raised.push_back(Describe(alarm));
            }
            EXPECT_EQ(raised, step.alarms);
        }
    }
}

} // namespace
