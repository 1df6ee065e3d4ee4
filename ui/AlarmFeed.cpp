#include "AlarmFeed.h"

#include "resources/StringTable.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

CAlarmFeed::CAlarmFeed(CDialogView& view, const RestartEnvironment& environment, int timerId)
    : m_view(view), m_environment(environment), m_timerId(timerId), m_watch(LoadStringResource) {}

void CAlarmFeed::SetDeviceLogEnvironment(DeviceLogEnvironment environment) {
    m_watch.Log().SetJournal(std::move(environment.journalPath));
    m_utcNow = std::move(environment.utcNow);
}

void CAlarmFeed::LogAction(WindowAction::Kind kind, const WindowAction::AddressChange& change) {
    Tell({.kind = kind, .address = m_deviceAddress, .link = {}, .change = change});
}

void CAlarmFeed::LogConnected(const std::string& link) {
    Tell({.kind = WindowAction::Kind::Connected, .address = m_deviceAddress, .link = link, .change = {}});
}

void CAlarmFeed::Tell(const WindowAction& action) {
    Announce(m_watch.OnAction(action, m_utcNow(), m_environment.now()));
}

void CAlarmFeed::OnReading(const DeviceRecord& record, const Health& health, bool problemsPending,
                           std::optional<std::int64_t> readMicros) {
    Announce(m_watch.OnReading(record, health, problemsPending, readMicros, m_utcNow(), m_environment.now()));
}

void CAlarmFeed::OnAlarmTimer() {
    Announce(m_watch.OnTick(m_environment.now()));
}

void CAlarmFeed::Announce(const AlarmNews& news) {
    if (news.endsAlarms) {
        m_view.WithdrawAlarms();
    }
    for (const Alarm& alarm : news.alarms) {
        if (alarm.kind == AlarmKind::Withdrawal) {
            m_view.WithdrawAlarm(alarm);
        } else {
            m_view.RaiseAlarm(alarm);
        }
    }
    const std::optional<CDeviceWatch::Clock::time_point> due = m_watch.NextAlarmDue();
    if (!due) {
        m_view.StopTimer(m_timerId);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - m_environment.now()).count();
    // A timer of 0 ms would not wait for the window's other events; one a millisecond on is as soon.
    m_view.StartTimer(m_timerId,
                      static_cast<int>(std::clamp<long long>(wait, 1, std::numeric_limits<int>::max())));
}

void CAlarmFeed::ShowTrayState(TrayState::Phase phase, IndicatorState gps, IndicatorState timeSync,
                               std::size_t problems) {
    const TrayState state{
        .phase = phase, .address = m_deviceAddress, .gps = gps, .timeSync = timeSync, .problems = problems};
    m_view.SetTrayTip(TrayTip(state, LoadStringResource));
}
