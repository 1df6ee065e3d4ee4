#include "FleetEvents.h"

#include "devicelog/EventDerivation.h"

#include <utility>

namespace {

// Whether the time service's check of this reading has yet to end: its problems are not all known.
bool ProblemsPending(const DeviceRecord& record) {
    return record.ntp && !record.ntp->answered && record.ntp->failureKind == FailureKind::Pending;
}

} // namespace

CFleetEvents::CFleetEvents(StringLookup strings, std::optional<std::string> journalPath)
    : m_strings(strings), m_pacer(std::move(strings)) {
    if (journalPath) {
        m_journal.emplace(std::move(*journalPath));
    }
}

FleetStep CFleetEvents::OnReading(const DeviceRecord& record, std::int64_t utcMicros, Clock::time_point now) {
    Watched& watched = m_devices[record.address];
    FleetStep step;
    step.health = AssessHealth(record, HealthLimits{});
    if (std::optional<Problem> clockStep = watched.clockStep.Update(record, now)) {
        AddProblem(step.health, std::move(*clockStep));
    }
    const std::vector<Transition> transitions = Observe(watched, record, step.health);
    step.events = TransitionEvents(utcMicros, transitions, m_strings);
    if (m_journal) {
        for (const DeviceEvent& event : step.events) {
            if (std::optional<std::string> warning = m_journal->Append(event)) {
                step.journalWarning = std::move(warning);
            }
        }
    }
    step.alarms = m_pacer.OnTransitions(transitions, now);
    return step;
}

// A device read is connected; one that stops answering after that is lost, and a failure of this PC or a
// reading cut short says nothing of it.
std::vector<Transition> CFleetEvents::Observe(Watched& watched, const DeviceRecord& record,
                                              const Health& health) {
    if (!record.reachable) {
        if (!watched.connected || !TellsOfTheDevice(record.failureKind)) {
            return {};
        }
        watched.connected = false;
        return watched.observer.OnConnectionLost();
    }
    std::vector<Transition> transitions;
    if (!watched.connected) {
        transitions = watched.observer.OnConnected(record.address);
        watched.connected = true;
    }
    std::vector<Transition> read = watched.observer.OnReading(record, health, ProblemsPending(record));
    transitions.insert(transitions.end(), read.begin(), read.end());
    return transitions;
}

std::vector<Alarm> CFleetEvents::OnTick(Clock::time_point now) {
    return m_pacer.OnTick(now);
}

void CFleetEvents::Forget(const std::string& address) {
    m_devices.erase(address);
}
