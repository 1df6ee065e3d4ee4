#include "EventDerivation.h"

#include "link/DeviceText.h"
#include "ui/StringLookup.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kChangePrefix = "address-change-";
constexpr const char* kProblemFound = "problem-found:";
constexpr const char* kProblemCleared = "problem-cleared:";

// The events of one step, all at one time and for one address.
class CEventList {
public:
    CEventList(std::int64_t utcMicros, std::string address)
        : m_utcMicros(utcMicros), m_address(std::move(address)) {}

    void Add(std::string code, EventSeverity severity, std::string text) {
        m_events.push_back(DeviceEvent{m_utcMicros, m_address, std::move(code), severity, std::move(text)});
    }
    std::vector<DeviceEvent> Take() { return std::move(m_events); }

private:
    std::int64_t m_utcMicros;
    std::string m_address;
    std::vector<DeviceEvent> m_events;
};

std::string Text(int id, std::initializer_list<std::string> values = {}) {
    return FillIn(LoadStringResource(id), values);
}

// A rule that cannot tell (UNKNOWN) is worth a look, no more.
EventSeverity EventSeverityOf(Severity severity) {
    switch (severity) {
    case Severity::Ok:
        return EventSeverity::Info;
    case Severity::Critical:
        return EventSeverity::Critical;
    case Severity::Warning:
    case Severity::Unknown:
        break;
    }
    return EventSeverity::Warning;
}

const Problem* FindProblem(const Health& health, ProblemCode code) {
    const auto found = std::find_if(health.problems.begin(), health.problems.end(),
                                    [code](const Problem& problem) { return problem.code == code; });
    return found == health.problems.end() ? nullptr : &*found;
}

// A lamp that goes out is as grave as the health rule that says the same of the record.
struct LampEvents {
    const char* lostCode;
    const char* regainedCode;
    int lostText;
    int regainedText;
    ProblemCode rule;
};

constexpr LampEvents kGpsEvents{"gps-lock-lost", "gps-lock-regained", IDS_ALARM_GPS_LOST,
                                IDS_ALARM_GPS_REGAINED, ProblemCode::GpsUnlocked};
constexpr LampEvents kSyncEvents{"time-sync-lost", "time-sync-regained", IDS_ALARM_SYNC_LOST,
                                 IDS_ALARM_SYNC_REGAINED, ProblemCode::NoSystemPeer};

// A lamp's change from the last state known; a device first seen with the lamp out has lost it, as far
// as the log can tell, while one first seen lit is no news.
void LampChange(const LampEvents& lamp, const std::optional<bool>& lit, std::optional<bool>& last,
                const Health& health, CEventList& events) {
    if (!lit) {
        return;
    }
    const bool changed = last ? *last != *lit : !*lit;
    last = lit;
    if (!changed) {
        return;
    }
    if (*lit) {
        events.Add(lamp.regainedCode, EventSeverity::Info, Text(lamp.regainedText));
        return;
    }
    // The health judged of the same record has the rule; a caller's health without it counts as a warning.
    const Problem* rule = FindProblem(health, lamp.rule);
    events.Add(lamp.lostCode, EventSeverityOf(rule != nullptr ? rule->severity : Severity::Warning),
               Text(lamp.lostText));
}

void FirmwareChange(const std::string& firmware, DeviceLogState& state, CEventList& events) {
    if (firmware.empty() || firmware == state.firmware) {
        return;
    }
    // The device's own words: shown as text, never acted on by what shows them.
    if (state.firmware.empty()) {
        events.Add("firmware-seen", EventSeverity::Info, Text(IDS_LOG_FIRMWARE_SEEN, {DeviceText(firmware)}));
    } else {
        events.Add("firmware-changed", EventSeverity::Info,
                   Text(IDS_LOG_FIRMWARE_CHANGED, {DeviceText(state.firmware), DeviceText(firmware)}));
    }
    state.firmware = firmware;
}

// The clock-step problem stands for 10 minutes after a step; each new step changes its value.
void ClockStepChange(const Health& health, DeviceLogState& state, CEventList& events) {
    const Problem* step = FindProblem(health, ProblemCode::ClockStep);
    const std::optional<double> value = step != nullptr ? step->value : std::nullopt;
    if (step != nullptr && value != state.clockStep) {
        events.Add("clock-stepped", EventSeverityOf(step->severity), step->text);
    }
    state.clockStep = value;
}

// Whether the reading holds everything its rules judge. The device answers a few exchanges apart, so
// before that a problem missing may only not be read yet.
bool IsWholeReading(const DeviceRecord& record) {
    const bool peersAsked = record.macAssigned.value_or(false);
    return record.offsetSeconds && record.gpsLocked && (record.timeSynced || !peersAsked);
}

void ProblemChanges(const Health& health, DeviceLogState& state, CEventList& events) {
    std::map<ProblemCode, DeviceLogState::Seen> now;
    for (const Problem& problem : health.problems) {
        // A step is an event of its own; its problem only outlasts it.
        if (IsNewsOfItsOwn(problem) && problem.code != ProblemCode::ClockStep) {
            now[problem.code] = DeviceLogState::Seen{problem.severity, problem.text};
        }
    }
    for (const auto& [code, seen] : state.problems) {
        if (!now.contains(code)) {
            events.Add(kProblemCleared + std::string(ProblemCodeName(code)), EventSeverity::Info,
                       Text(IDS_LOG_PROBLEM_CLEARED, {seen.text}));
        }
    }
    for (const auto& [code, seen] : now) {
        const auto last = state.problems.find(code);
        if (last == state.problems.end() || last->second.severity != seen.severity) {
            events.Add(kProblemFound + std::string(ProblemCodeName(code)), EventSeverityOf(seen.severity),
                       Text(IDS_LOG_PROBLEM_FOUND, {SeverityName(seen.severity), seen.text}));
        }
    }
    state.problems = std::move(now);
}

void Connect(DeviceLogState& state, const WindowAction& action, CEventList& events) {
    const bool movedHere = state.movingTo && !state.movingTo->empty() && *state.movingTo == action.address;
    if (movedHere) {
        events.Add("address-change-done", EventSeverity::Info, Text(IDS_DEVICE_NOW_AT, {action.address}));
    } else if (action.address != state.address) {
        state = DeviceLogState{};
    }
    state.address = action.address;
    state.connected = true;
    state.movingTo.reset();
    events.Add("connected", EventSeverity::Info, Text(IDS_LOG_CONNECTED, {action.address, action.link}));
}

// The link that took an address change ends as the device restarts: no fault.
void EndConnection(DeviceLogState& state, WindowAction::Kind kind, CEventList& events) {
    const bool wasConnected = std::exchange(state.connected, false);
    if (!wasConnected || state.movingTo) {
        return;
    }
    if (kind == WindowAction::Kind::ConnectionLost) {
        events.Add("connection-lost", EventSeverityOf(HealthLimits{}.unreachable),
                   Text(IDS_ALARM_CONNECTION_LOST));
    } else {
        events.Add("disconnected", EventSeverity::Info, Text(IDS_LOG_DISCONNECTED));
    }
}

std::string AskedText(const std::string& from, const WindowAction::AddressChange& change) {
    if (change.address.empty()) {
        return Text(IDS_LOG_CHANGE_ASKED_DHCP, {from});
    }
    return Text(IDS_LOG_CHANGE_ASKED, {from, change.address, change.mask, change.gateway});
}

} // namespace

std::vector<DeviceEvent> ReadingEvents(DeviceLogState& state, std::int64_t utcMicros,
                                       const DeviceRecord& record, const Health& health) {
    if (!state.connected) {
        return {};
    }
    CEventList events(utcMicros, state.address);
    FirmwareChange(record.firmware, state, events);
    LampChange(kGpsEvents, record.gpsLocked, state.gpsLocked, health, events);
    LampChange(kSyncEvents, record.timeSynced, state.timeSynced, health, events);
    ClockStepChange(health, state, events);
    if (IsWholeReading(record)) {
        ProblemChanges(health, state, events);
    }
    return events.Take();
}

std::vector<DeviceEvent> ActionEvents(DeviceLogState& state, std::int64_t utcMicros,
                                      const WindowAction& action) {
    using Kind = WindowAction::Kind;
    CEventList events(utcMicros, action.kind == Kind::Connected ? action.address : state.address);
    switch (action.kind) {
    case Kind::Connected:
        Connect(state, action, events);
        break;
    case Kind::ConnectionLost:
    case Kind::Disconnected:
        EndConnection(state, action.kind, events);
        break;
    case Kind::ChangeAsked:
        state.asked = action.change;
        events.Add("address-change-asked", EventSeverity::Info, AskedText(state.address, action.change));
        break;
    case Kind::ChangeSent:
        // Empty for DHCP: the device restarts as well, but to no address known here.
        state.movingTo = state.asked ? state.asked->address : std::string();
        events.Add("address-change-sent", EventSeverity::Info, Text(IDS_LOG_CHANGE_SENT, {state.address}));
        break;
    case Kind::ChangeTimedOut:
        events.Add("address-change-timed-out", EventSeverityOf(HealthLimits{}.unreachable),
                   Text(IDS_NO_ANSWER_AT, {state.movingTo.value_or(std::string())}));
        state.movingTo.reset();
        break;
    }
    return events.Take();
}

bool IsAddressChangeEvent(const DeviceEvent& event) {
    return event.code.starts_with(kChangePrefix);
}
