// The one observer of the window's readings, step by step: which readings and window events make
// transitions, for which device, and which are what the user sees on connecting.
#include "devicelog/ReadingObserver.h"
#include "health/ClockStep.h"
#include "tests/health/HealthyReading.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace {

constexpr const char* kA = "10.0.0.5";
constexpr const char* kB = "10.0.0.6";

struct Connect {
    std::string address;
};
struct Lose {};
struct Disconnect {};
struct SendChange {
    std::string address;
};
struct MissRestart {};
struct TimeOutRestart {};
// A refresh: the record as FillFromLink made it, and whether the time service has yet to answer.
struct Read {
    DeviceRecord record;
    bool problemsPending = false;
};
using Input = std::variant<Connect, Read, Lose, Disconnect, SendChange, MissRestart, TimeOutRestart>;

struct Step {
    Input input;
    // As Describe writes them.
    std::vector<std::string> transitions;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

// A window's reading: what FillFromLink fills, without the NTP check the window does not make.
Read Reading(std::optional<bool> gps, std::optional<bool> sync, std::optional<double> offset = 0.001,
             const std::string& firmware = "1.0", bool mac = true) {
    DeviceRecord record = HealthyReading();
    record.ntp.reset();
    record.ntpShellSeconds.reset();
    record.gpsLocked = gps;
    record.timeSynced = sync;
    record.offsetSeconds = offset;
    record.firmware = firmware;
    record.macAssigned = mac;
    return Read{record};
}

// An answer to getdate that did not match its grammar: no time, and the GPS lamp at 0.
const Read kUnreadable = Reading(false, true, std::nullopt);
const Read kHealthy = Reading(true, true);

Read Pending(Read read) {
    read.problemsPending = true;
    return read;
}

std::string TopicName(const TransitionSubject& subject) {
    using Topic = TransitionSubject::Topic;
    switch (subject.topic) {
    case Topic::Connection:
        return "connection";
    case Topic::GpsLock:
        return "gps-lock";
    case Topic::TimeSync:
        return "time-sync";
    case Topic::ClockStep:
        return "clock-step";
    case Topic::Firmware:
        return "firmware";
    case Topic::Problem:
        break;
    }
    return ProblemCodeName(subject.problem);
}

std::string KindName(TransitionKind kind) {
    switch (kind) {
    case TransitionKind::Lost:
        return "lost";
    case TransitionKind::Regained:
        return "regained";
    case TransitionKind::Found:
        return "found";
    case TransitionKind::SeverityChanged:
        return "now";
    case TransitionKind::Cleared:
        return "cleared";
    case TransitionKind::Stepped:
        return "stepped";
    case TransitionKind::FirmwareSeen:
        return "seen";
    case TransitionKind::FirmwareChanged:
        break;
    }
    return "changed";
}

// "[connecting ]address topic kind SEVERITY[ | text]"
std::string Describe(const Transition& transition) {
    std::string described = std::string(transition.onConnecting ? "connecting " : "") + transition.address +
                            " " + TopicName(transition.subject) + " " + KindName(transition.kind) + " " +
                            SeverityName(transition.severity);
    if (!transition.text.empty()) {
        described += " | " + (transition.before.empty() ? "" : transition.before + " > ") + transition.text;
    }
    return described;
}

// Runs the steps as the window would: its health of each reading with its clock-step watch, which
// starts afresh on each connection.
std::vector<std::vector<std::string>> Replay(const Scenario& scenario) {
    CReadingObserver observer;
    CClockStep clockStep;
    std::vector<std::vector<std::string>> described;
    for (std::size_t index = 0; index < scenario.steps.size(); ++index) {
        const Input& input = scenario.steps[index].input;
        std::vector<Transition> transitions;
        if (const auto* connect = std::get_if<Connect>(&input)) {
            clockStep = CClockStep{};
            transitions = observer.OnConnected(connect->address);
        } else if (const auto* read = std::get_if<Read>(&input)) {
            Health health = AssessHealth(read->record, HealthLimits{});
            const auto now = CClockStep::Clock::time_point(std::chrono::seconds(index));
            if (std::optional<Problem> stepped = clockStep.Update(read->record, now)) {
                AddProblem(health, std::move(*stepped));
            }
            transitions = observer.OnReading(read->record, health, read->problemsPending);
        } else if (std::holds_alternative<Lose>(input)) {
            transitions = observer.OnConnectionLost();
        } else if (std::holds_alternative<Disconnect>(input)) {
            observer.OnDisconnected();
        } else if (const auto* change = std::get_if<SendChange>(&input)) {
            observer.OnChangeSent(change->address);
        } else if (std::holds_alternative<MissRestart>(input)) {
            observer.OnRestartMissed();
        } else {
            observer.OnRestartTimedOut();
        }
        std::vector<std::string> row;
        for (const Transition& transition : transitions) {
            row.push_back(Describe(transition));
        }
        described.push_back(std::move(row));
    }
    return described;
}

const std::vector<Scenario> kScenarios = {
    {"a device connected: its firmware and what its first whole reading shows, for the user to see",
     {{Connect{kA}, {}},
      {Reading(std::nullopt, std::nullopt, std::nullopt), {"10.0.0.5 firmware seen OK | 1.0"}},
      {Reading(false, std::nullopt), {}},
      {Reading(false, false),
       {"connecting 10.0.0.5 gps-lock lost WARNING", "connecting 10.0.0.5 time-sync lost CRITICAL"}},
      {kHealthy, {"10.0.0.5 gps-lock regained OK", "10.0.0.5 time-sync regained OK"}}}},
    {"an unreadable time answer is no reading: its lamp at 0 is no loss, and the next whole reading no "
     "recovery",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {kUnreadable, {}},
      {kUnreadable, {}},
      {kHealthy, {}}}},
    {"a lamp lost and regained, one unread between; a lamp that does not change makes nothing",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {Reading(false, true), {"10.0.0.5 gps-lock lost WARNING"}},
      {Reading(false, std::nullopt), {}},
      {Reading(false, true), {}},
      {kHealthy, {"10.0.0.5 gps-lock regained OK"}}}},
    {"from the change sent to the device's return at its new address nothing counts; its tracks go on from "
     "its first whole reading there",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {SendChange{kB}, {}},
      {Reading(false, false), {}},
      {kUnreadable, {}},
      {Lose{}, {}},
      {Connect{kB}, {}},
      {Reading(false, true, 0.001, "1.0"), {"connecting 10.0.0.6 gps-lock lost WARNING"}},
      {kHealthy, {"10.0.0.6 gps-lock regained OK"}}}},
    {"a device that never restarts: nothing until the box says so, then its tracks go on from the next whole "
     "reading",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {SendChange{kB}, {}},
      {Reading(false, false), {}},
      {Reading(false, false, std::nullopt), {}},
      {MissRestart{}, {}},
      {kUnreadable, {}},
      {kHealthy, {}},
      {Reading(true, false), {"10.0.0.5 time-sync lost CRITICAL"}}}},
    {"a device that does not answer at its new address in time: no fault, and back at the old one no "
     "recovery",
     {{Connect{kA}, {}},
      {SendChange{kB}, {}},
      {Lose{}, {}},
      {TimeOutRestart{}, {}},
      {Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}}}},
    {"a lost connection, then one to another device: nothing of the first under the second's name",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {Lose{}, {"10.0.0.5 connection lost CRITICAL"}},
      {Lose{}, {}},
      {Connect{kB}, {}},
      {Reading(false, true, 0.001, "2.0"),
       {"10.0.0.6 firmware seen OK | 2.0", "connecting 10.0.0.6 gps-lock lost WARNING"}}}},
    {"a lost connection regained at the same device, where what changed meanwhile is what the user sees",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {Lose{}, {"10.0.0.5 connection lost CRITICAL"}},
      {Reading(false, true), {}},
      {Connect{kA}, {"10.0.0.5 connection regained OK"}},
      {Reading(false, true, 0.001, "1.1"),
       {"10.0.0.5 firmware changed OK | 1.0 > 1.1", "connecting 10.0.0.5 gps-lock lost WARNING"}}}},
    {"a connection the user ended is no fault, and connecting again no recovery",
     {{Connect{kA}, {}},
      {kHealthy, {"10.0.0.5 firmware seen OK | 1.0"}},
      {Disconnect{}, {}},
      {Lose{}, {}},
      {Connect{kA}, {}},
      {kHealthy, {}}}},
    {"problems found, changed in severity and cleared; a clock step once, its problem no problem of its own",
     {{Connect{kA}, {}},
      {Reading(true, true, 4.6),
       {"10.0.0.5 firmware seen OK | 1.0",
        "connecting 10.0.0.5 offset found WARNING | clock offset beyond 1 s (+4.600 s)"}},
      {Reading(true, true, 5.4), {"10.0.0.5 offset now CRITICAL | clock offset beyond 5 s (+5.400 s)"}},
      {Reading(true, std::nullopt, 5.4, "1.0", false),
       {"10.0.0.5 mac-unassigned found WARNING | MAC address not assigned"}},
      {Reading(true, true, 4.6),
       {"10.0.0.5 mac-unassigned cleared OK | MAC address not assigned",
        "10.0.0.5 offset now WARNING | clock offset beyond 1 s (+4.600 s)"}},
      {Reading(true, true, 0.1),
       {"10.0.0.5 clock-step stepped WARNING | device clock stepped by -4.5 s",
        "10.0.0.5 offset cleared OK | clock offset beyond 1 s (+4.600 s)"}},
      {Reading(true, true, 0.1), {}}}},
    {"problems wait for every source of them, the lamps and the clock only for the device",
     {{Connect{kA}, {}},
      {Pending(Reading(false, true, 4.6)),
       {"10.0.0.5 firmware seen OK | 1.0", "connecting 10.0.0.5 gps-lock lost WARNING"}},
      {Reading(true, true, 4.6),
       {"10.0.0.5 gps-lock regained OK",
        "connecting 10.0.0.5 offset found WARNING | clock offset beyond 1 s (+4.600 s)"}},
      {Pending(Reading(true, true, 0.1)),
       {"10.0.0.5 clock-step stepped WARNING | device clock stepped by -4.5 s"}},
      {Reading(true, true, 0.1), {"10.0.0.5 offset cleared OK | clock offset beyond 1 s (+4.600 s)"}}}},
    {"readings while not connected are stale",
     {{kHealthy, {}}, {Connect{kA}, {}}, {Disconnect{}, {}}, {Reading(false, false), {}}}},
};

TEST(ReadingObserver, EachStepGivesItsTransitions) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        const std::vector<std::vector<std::string>> described = Replay(scenario);
        for (std::size_t index = 0; index < described.size(); ++index) {
            EXPECT_EQ(described[index], scenario.steps[index].transitions) << "step " << index;
        }
    }
}

} // namespace
