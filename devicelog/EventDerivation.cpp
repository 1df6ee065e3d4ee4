#include "EventDerivation.h"

#include "devicetext/DeviceText.h"
#include "resources/resource.h"

#include <utility>

namespace {

constexpr const char* kChangePrefix = "address-change-";
constexpr const char* kProblemFound = "problem-found:";
constexpr const char* kProblemCleared = "problem-cleared:";

// The events of one step, all at one time and for one address, with their texts from one string table.
class CEventList {
public:
    CEventList(std::int64_t utcMicros, std::string address, const StringLookup& strings)
        : m_utcMicros(utcMicros), m_address(std::move(address)), m_strings(strings) {}

    void Add(std::string code, EventSeverity severity, std::string text) {
        m_events.push_back(DeviceEvent{m_utcMicros, m_address, std::move(code), severity, std::move(text)});
    }
    std::string Text(int id, std::initializer_list<std::string> values = {}) const {
        return FillIn(m_strings(id), values);
    }
    std::vector<DeviceEvent> Take() { return std::move(m_events); }

private:
    std::int64_t m_utcMicros;
    std::string m_address;
    const StringLookup& m_strings;
    std::vector<DeviceEvent> m_events;
};

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

using Topic = TransitionSubject::Topic;

// The codes and texts of a topic with a loss and a recovery.
struct LossTexts {
    Topic topic;
    const char* lostCode;
    const char* regainedCode;
    int lostText;
    int regainedText;
};

constexpr LossTexts kLossTexts[] = {
    {Topic::Connection, "connection-lost", "connection-restored", IDS_ALARM_CONNECTION_LOST,
     IDS_ALARM_CONNECTION_RESTORED},
    {Topic::GpsLock, "gps-lock-lost", "gps-lock-regained", IDS_ALARM_GPS_LOST, IDS_ALARM_GPS_REGAINED},
    {Topic::TimeSync, "time-sync-lost", "time-sync-regained", IDS_ALARM_SYNC_LOST, IDS_ALARM_SYNC_REGAINED},
};

void AddLossOrRecovery(const Transition& transition, CEventList& events) {
    for (const LossTexts& texts : kLossTexts) {
        if (texts.topic != transition.subject.topic) {
            continue;
        }
        if (transition.kind == TransitionKind::Lost) {
            events.Add(texts.lostCode, EventSeverityOf(transition.severity), events.Text(texts.lostText));
        } else {
            events.Add(texts.regainedCode, EventSeverity::Info, events.Text(texts.regainedText));
        }
    }
}

void AddProblemChange(const Transition& transition, CEventList& events) {
    const std::string code = ProblemCodeName(transition.subject.problem);
    if (transition.kind == TransitionKind::Cleared) {
        events.Add(kProblemCleared + code, EventSeverity::Info,
                   events.Text(IDS_LOG_PROBLEM_CLEARED, {transition.text}));
        return;
    }
    events.Add(kProblemFound + code, EventSeverityOf(transition.severity),
               events.Text(IDS_LOG_PROBLEM_FOUND, {SeverityName(transition.severity), transition.text}));
}

// The device's own words: shown as text, never acted on by what shows them.
void AddFirmware(const Transition& transition, CEventList& events) {
    if (transition.kind == TransitionKind::FirmwareSeen) {
        events.Add("firmware-seen", EventSeverity::Info,
                   events.Text(IDS_LOG_FIRMWARE_SEEN, {DeviceText(transition.text)}));
    } else {
        events.Add("firmware-changed", EventSeverity::Info,
                   events.Text(IDS_LOG_FIRMWARE_CHANGED,
                               {DeviceText(transition.before), DeviceText(transition.text)}));
    }
}

void Connect(DeviceLogState& state, const WindowAction& action, CEventList& events) {
    const bool movedHere = state.movingTo && !state.movingTo->empty() && *state.movingTo == action.address;
    if (movedHere) {
        events.Add("address-change-done", EventSeverity::Info,
                   events.Text(IDS_DEVICE_NOW_AT, {action.address}));
    } else if (action.address != state.address) {
        state = DeviceLogState{};
    }
    state.address = action.address;
    state.connected = true;
    state.movingTo.reset();
    events.Add("connected", EventSeverity::Info,
               events.Text(IDS_LOG_CONNECTED, {action.address, action.link}));
}

// A connection lost is a transition of the device; one the user ended is the window's own doing. The
// link that took an address change ends as the device restarts.
void EndConnection(DeviceLogState& state, WindowAction::Kind kind, CEventList& events) {
    const bool wasConnected = std::exchange(state.connected, false);
    if (wasConnected && !state.movingTo && kind == WindowAction::Kind::Disconnected) {
        events.Add("disconnected", EventSeverity::Info, events.Text(IDS_LOG_DISCONNECTED));
    }
}

std::string AskedText(const std::string& from, const WindowAction::AddressChange& change,
                      const CEventList& events) {
    if (change.address.empty()) {
        return events.Text(IDS_LOG_CHANGE_ASKED_DHCP, {from});
    }
    return events.Text(IDS_LOG_CHANGE_ASKED, {from, change.address, change.mask, change.gateway});
}

} // namespace

std::vector<DeviceEvent> TransitionEvents(std::int64_t utcMicros, const std::vector<Transition>& transitions,
                                          const StringLookup& strings) {
    std::vector<DeviceEvent> all;
    for (const Transition& transition : transitions) {
        CEventList events(utcMicros, transition.address, strings);
        switch (transition.subject.topic) {
        case Topic::Connection:
        case Topic::GpsLock:
        case Topic::TimeSync:
            AddLossOrRecovery(transition, events);
            break;
        case Topic::Problem:
            AddProblemChange(transition, events);
            break;
        case Topic::ClockStep:
            events.Add("clock-stepped", EventSeverityOf(transition.severity), transition.text);
            break;
        case Topic::Firmware:
            AddFirmware(transition, events);
            break;
        }
        for (DeviceEvent& event : events.Take()) {
            all.push_back(std::move(event));
        }
    }
    return all;
}

std::vector<DeviceEvent> ActionEvents(DeviceLogState& state, std::int64_t utcMicros,
                                      const WindowAction& action, const StringLookup& strings) {
    using Kind = WindowAction::Kind;
    CEventList events(utcMicros, action.kind == Kind::Connected ? action.address : state.address, strings);
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
        events.Add("address-change-asked", EventSeverity::Info,
                   AskedText(state.address, action.change, events));
        break;
    case Kind::ChangeSent:
        // Empty for DHCP: the device restarts as well, but to no address known here.
        state.movingTo = state.asked ? state.asked->address : std::string();
        events.Add("address-change-sent", EventSeverity::Info,
                   events.Text(IDS_LOG_CHANGE_SENT, {state.address}));
        break;
    case Kind::ChangeTimedOut:
        events.Add("address-change-timed-out", EventSeverityOf(HealthLimits{}.unreachable),
                   events.Text(IDS_NO_ANSWER_AT, {state.movingTo.value_or(std::string())}));
        state.movingTo.reset();
        break;
    case Kind::ChangeNotTaken:
        events.Add("address-change-not-taken", EventSeverity::Warning, events.Text(IDS_NO_RESTART));
        state.movingTo.reset();
        break;
    }
    return events.Take();
}

bool IsAddressChangeEvent(const DeviceEvent& event) {
    return event.code.starts_with(kChangePrefix);
}
