#include "ReadingObserver.h"

#include <algorithm>
#include <utility>

namespace {

using Topic = TransitionSubject::Topic;

const Problem* FindProblem(const Health& health, ProblemCode code) {
    const auto found = std::find_if(health.problems.begin(), health.problems.end(),
                                    [code](const Problem& problem) { return problem.code == code; });
    return found == health.problems.end() ? nullptr : &*found;
}

// A lamp that goes out is as grave as the health rule that says the same of the record; a caller's
// health without the rule counts it as a warning.
Severity RuleSeverity(const Health& health, ProblemCode rule) {
    const Problem* problem = FindProblem(health, rule);
    return problem != nullptr ? problem->severity : Severity::Warning;
}

} // namespace

Transition MakeTransition(std::string address, TransitionSubject::Topic topic, TransitionKind kind,
                          Severity severity, std::string text) {
    Transition transition;
    transition.address = std::move(address);
    transition.subject.topic = topic;
    transition.kind = kind;
    transition.severity = severity;
    transition.text = std::move(text);
    return transition;
}

bool IsWholeReading(const DeviceRecord& record) {
    if (!record.offsetSeconds || !record.macAssigned) {
        return false;
    }
    return !*record.macAssigned || (record.gpsLocked && record.timeSynced);
}

std::vector<Transition> CReadingObserver::OnConnected(const std::string& address) {
    std::vector<Transition> transitions;
    if (!Follows(address)) {
        // Another device: nothing known of this one, and nothing of the last one is said under its name.
        *this = CReadingObserver{};
    }
    m_address = address;
    if (m_link == Link::Lost) {
        transitions.push_back(Make(Topic::Connection, TransitionKind::Regained));
    }
    m_link = Link::Up;
    m_movingTo.reset();
    m_suspended = false;
    m_awaitingFirstWhole = m_awaitingFirstProblems = true;
    return transitions;
}

std::vector<Transition> CReadingObserver::OnReading(const DeviceRecord& record, const Health& health,
                                                    bool problemsPending) {
    std::vector<Transition> transitions;
    if (m_link != Link::Up || m_suspended) {
        return transitions;
    }
    FirmwareChange(record.firmware, transitions);
    if (!IsWholeReading(record)) {
        return transitions;
    }
    const auto judge = [&transitions](bool& awaitingFirst, const auto& changes) {
        const bool first = std::exchange(awaitingFirst, false);
        const std::size_t fromHere = transitions.size();
        changes();
        for (std::size_t index = fromHere; index < transitions.size(); ++index) {
            transitions[index].onConnecting = first;
        }
    };
    judge(m_awaitingFirstWhole, [&] {
        LampChange(Topic::GpsLock, record.gpsLocked, m_gpsLocked,
                   RuleSeverity(health, ProblemCode::GpsUnlocked), transitions);
        LampChange(Topic::TimeSync, record.timeSynced, m_timeSynced,
                   RuleSeverity(health, ProblemCode::NoSystemPeer), transitions);
        ClockStepChange(health, transitions);
    });
    // A source yet to answer, such as the time service, may bring problems still.
    if (!problemsPending) {
        judge(m_awaitingFirstProblems, [&] { ProblemChanges(health, transitions); });
    }
    return transitions;
}

std::vector<Transition> CReadingObserver::OnConnectionLost() {
    if (m_link != Link::Up) {
        return {};
    }
    // The link that took an address change ends as the device restarts: no fault.
    if (m_suspended) {
        m_link = Link::Down;
        return {};
    }
    m_link = Link::Lost;
    return {Make(Topic::Connection, TransitionKind::Lost, HealthLimits{}.unreachable)};
}

void CReadingObserver::OnDisconnected() {
    m_link = Link::Down;
    m_suspended = false;
}

void CReadingObserver::OnChangeSent(std::string newAddress) {
    m_movingTo = std::move(newAddress);
    m_suspended = true;
}

void CReadingObserver::OnRestartMissed() {
    m_movingTo.reset();
    m_suspended = false;
    // Its answers since the change were not judged: the next whole reading is where its tracks go on.
    m_awaitingFirstWhole = m_awaitingFirstProblems = true;
}

void CReadingObserver::OnRestartTimedOut() {
    m_movingTo.reset();
    OnDisconnected();
}

bool CReadingObserver::Follows(const std::string& address) const {
    return address == m_address || (m_movingTo && !m_movingTo->empty() && *m_movingTo == address);
}

void CReadingObserver::FirmwareChange(const std::string& firmware, std::vector<Transition>& transitions) {
    if (firmware.empty() || firmware == m_firmware) {
        return;
    }
    if (m_firmware.empty()) {
        transitions.push_back(Make(Topic::Firmware, TransitionKind::FirmwareSeen, Severity::Ok, firmware));
    } else {
        Transition changed = Make(Topic::Firmware, TransitionKind::FirmwareChanged, Severity::Ok, firmware);
        changed.before = m_firmware;
        transitions.push_back(std::move(changed));
    }
    m_firmware = firmware;
}

// A lamp's change from the last state known; a device first seen with the lamp out has lost it, as far
// as anyone can tell, while one first seen lit is no news. A lamp not read keeps its last state.
void CReadingObserver::LampChange(Topic topic, const std::optional<bool>& lit, std::optional<bool>& last,
                                  Severity rule, std::vector<Transition>& transitions) const {
    if (!lit) {
        return;
    }
    const bool changed = last ? *last != *lit : !*lit;
    last = lit;
    if (changed) {
        transitions.push_back(*lit ? Make(topic, TransitionKind::Regained)
                                   : Make(topic, TransitionKind::Lost, rule));
    }
}

// The clock-step problem stands for 10 minutes after a step; each new step changes its value.
void CReadingObserver::ClockStepChange(const Health& health, std::vector<Transition>& transitions) {
    const Problem* step = FindProblem(health, ProblemCode::ClockStep);
    const std::optional<double> value = step != nullptr ? step->value : std::nullopt;
    if (step != nullptr && value != m_step) {
        transitions.push_back(Make(Topic::ClockStep, TransitionKind::Stepped, step->severity, step->text));
    }
    m_step = value;
}

void CReadingObserver::ProblemChanges(const Health& health, std::vector<Transition>& transitions) {
    std::map<ProblemCode, Seen> now;
    for (const Problem& problem : health.problems) {
        // A step is a transition of its own; its problem only outlasts it.
        if (IsNewsOfItsOwn(problem) && problem.code != ProblemCode::ClockStep) {
            now[problem.code] = Seen{problem.severity, problem.text};
        }
    }
    const auto add = [this, &transitions](ProblemCode code, TransitionKind kind, const Seen& seen) {
        Transition transition = Make(
            Topic::Problem, kind, kind == TransitionKind::Cleared ? Severity::Ok : seen.severity, seen.text);
        transition.subject.problem = code;
        transitions.push_back(std::move(transition));
    };
    for (const auto& [code, seen] : m_problems) {
        if (!now.contains(code)) {
            add(code, TransitionKind::Cleared, seen);
        }
    }
    for (const auto& [code, seen] : now) {
        const auto last = m_problems.find(code);
        if (last == m_problems.end()) {
            add(code, TransitionKind::Found, seen);
        } else if (last->second.severity != seen.severity) {
            add(code, TransitionKind::SeverityChanged, seen);
        }
    }
    m_problems = std::move(now);
}
