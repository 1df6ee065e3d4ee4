// The device log's events, step by step: readings and the window's actions against what the log
// remembers of the device.
#include "devicelog/EventDerivation.h"
#include "health/ClockStep.h"
#include "tests/health/HealthyReading.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace {

using Kind = WindowAction::Kind;
using Input = std::variant<WindowAction, DeviceRecord>;

struct Step {
    Input input;
    // "severity code address", and " | text" where the text is checked too.
    std::vector<std::string> events;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

constexpr const char* kA = "10.0.0.5";
constexpr const char* kB = "10.0.0.6";

WindowAction Connect(const std::string& address, const std::string& link = "shell") {
    return WindowAction{Kind::Connected, address, link, {}};
}

WindowAction Act(Kind kind, WindowAction::AddressChange change = {}) {
    return WindowAction{kind, "", "", std::move(change)};
}

// A window's reading: what FillFromLink fills, without the NTP check the window does not make.
DeviceRecord Read(std::optional<bool> gps, std::optional<bool> sync, std::optional<double> offset = 0.001,
                  const std::string& firmware = "1.0", bool mac = true) {
    DeviceRecord record = HealthyReading();
    record.ntp.reset();
    record.ntpShellSeconds.reset();
    record.gpsLocked = gps;
    record.timeSynced = sync;
    record.offsetSeconds = offset;
    record.firmware = firmware;
    record.macAssigned = mac;
    return record;
}

std::string Describe(const DeviceEvent& event, bool withText) {
    std::string described =
        std::string(EventSeverityName(event.severity)) + " " + event.code + " " + event.address;
    return withText ? described + " | " + event.text : described;
}

// Runs the steps as the window would: its health of each reading with its clock-step watch, which
// starts afresh on each connection.
std::vector<std::vector<std::string>> Replay(const Scenario& scenario) {
    DeviceLogState state;
    CClockStep clockStep;
    std::vector<std::vector<std::string>> described;
    for (std::size_t index = 0; index < scenario.steps.size(); ++index) {
        const Step& step = scenario.steps[index];
        const auto second = static_cast<std::int64_t>(index);
        const std::int64_t utc = (1700000000 + second) * 1000000;
        std::vector<DeviceEvent> events;
        if (const auto* action = std::get_if<WindowAction>(&step.input)) {
            clockStep = action->kind == Kind::Connected ? CClockStep{} : clockStep;
            events = ActionEvents(state, utc, *action);
        } else {
            const DeviceRecord& record = std::get<DeviceRecord>(step.input);
            Health health = AssessHealth(record, HealthLimits{});
            const auto now = CClockStep::Clock::time_point(std::chrono::seconds(second));
            if (std::optional<Problem> stepped = clockStep.Update(record, now)) {
                AddProblem(health, std::move(*stepped));
            }
            events = ReadingEvents(state, utc, record, health);
        }
        std::vector<std::string> row;
        for (std::size_t at = 0; at < events.size(); ++at) {
            const bool withText = at < step.events.size() && step.events[at].find(" | ") != std::string::npos;
            EXPECT_EQ(events[at].utcMicros, utc);
            row.push_back(Describe(events[at], withText));
        }
        described.push_back(std::move(row));
    }
    return described;
}

const std::vector<Scenario> kScenarios = {
    {"a healthy device connected",
     {{Connect(kA), {"info connected 10.0.0.5 | Connected to 10.0.0.5 (shell)"}},
      {Read(true, true), {"info firmware-seen 10.0.0.5 | Firmware version 1.0"}},
      {Read(true, true), {}}}},
    {"lamps lost and regained; a lamp not read keeps the state last known",
     {{Connect(kA, "telnet"), {"info connected 10.0.0.5 | Connected to 10.0.0.5 (telnet)"}},
      {Read(true, true), {"info firmware-seen 10.0.0.5"}},
      {Read(false, true), {"warning gps-lock-lost 10.0.0.5 | GPS lock lost"}},
      {Read(std::nullopt, std::nullopt), {}},
      {Read(false, false), {"critical time-sync-lost 10.0.0.5 | Time sync lost"}},
      {Read(true, true),
       {"info gps-lock-regained 10.0.0.5 | GPS lock regained",
        "info time-sync-regained 10.0.0.5 | Time sync regained"}}}},
    {"a device first seen without GPS lock has lost it; its rule is the lamp's, no problem of its own",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Read(false, true), {"info firmware-seen 10.0.0.5", "warning gps-lock-lost 10.0.0.5"}},
      {Read(false, true), {}}}},
    {"what changed while disconnected shows on reconnecting; another device starts afresh",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Read(true, true), {"info firmware-seen 10.0.0.5"}},
      {Act(Kind::ConnectionLost), {"critical connection-lost 10.0.0.5 | Connection lost"}},
      {Read(false, true), {}},
      {Act(Kind::ConnectionLost), {}},
      {Connect(kA), {"info connected 10.0.0.5"}},
      {Read(false, true, 0.001, "1.1"),
       {"info firmware-changed 10.0.0.5 | Firmware version changed from 1.0 to 1.1",
        "warning gps-lock-lost 10.0.0.5"}},
      {Act(Kind::Disconnected), {"info disconnected 10.0.0.5 | Disconnected"}},
      {Connect(kB), {"info connected 10.0.0.6"}},
      {Read(true, true, 0.001, "1.1"), {"info firmware-seen 10.0.0.6"}}}},
    {"problems found, changed in severity and cleared; a clock step once",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Read(true, true, 4.6),
       {"info firmware-seen 10.0.0.5",
        "warning problem-found:offset 10.0.0.5 | Problem (WARNING): clock offset beyond 1 s (+4.600 s)"}},
      {Read(true, true, 5.4), {"critical problem-found:offset 10.0.0.5"}},
      {Read(true, std::nullopt, 5.4, "1.0", false),
       {"warning problem-found:mac-unassigned 10.0.0.5 | Problem (WARNING): MAC address not assigned"}},
      {Read(true, true, 4.6),
       {"info problem-cleared:mac-unassigned 10.0.0.5 | Problem cleared: MAC address not assigned",
        "warning problem-found:offset 10.0.0.5"}},
      {Read(true, true, 0.1),
       {"warning clock-stepped 10.0.0.5 | device clock stepped by -4.5 s",
        "info problem-cleared:offset 10.0.0.5"}},
      {Read(true, true, 0.1), {}}}},
    {"problems wait for a whole reading",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Read(true, true, 4.6), {"info firmware-seen 10.0.0.5", "warning problem-found:offset 10.0.0.5"}},
      {Act(Kind::ConnectionLost), {"critical connection-lost 10.0.0.5"}},
      {Connect(kA), {"info connected 10.0.0.5"}},
      {Read(std::nullopt, std::nullopt, std::nullopt), {}},
      {Read(true, true, 0.1), {"info problem-cleared:offset 10.0.0.5"}}}},
    {"an address change followed to the new address: the same device",
     {{Connect(kA), {"info connected 10.0.0.5"}},
      {Read(true, true), {"info firmware-seen 10.0.0.5"}},
      {Act(Kind::ChangeAsked, {kB, "255.255.255.0", "10.0.0.1"}),
       {"info address-change-asked 10.0.0.5 | Address change asked from 10.0.0.5 to 10.0.0.6, subnet mask "
        "255.255.255.0, gateway 10.0.0.1"}},
      {Act(Kind::ChangeSent),
       {"info address-change-sent 10.0.0.5 | Address change sent to the device at 10.0.0.5"}},
      {Act(Kind::ConnectionLost), {}},
      {Connect(kB),
       {"info address-change-done 10.0.0.6 | Device now at 10.0.0.6", "info connected 10.0.0.6"}},
      {Read(true, true), {}}}},
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
};

TEST(EventDerivation, EachStepGivesItsEvents) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        const std::vector<std::vector<std::string>> described = Replay(scenario);
        for (std::size_t index = 0; index < described.size(); ++index) {
            EXPECT_EQ(described[index], scenario.steps[index].events) << "step " << index;
        }
    }
}

} // namespace
