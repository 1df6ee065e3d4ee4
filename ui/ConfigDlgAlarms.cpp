// The window's watch over its device: what the window did, told to the device log and the alarms, and
// what the alarms and the notification-area icon then show.
#include "ConfigDlgLogic.h"

#include "resources/StringTable.h"

#include <algorithm>
#include <chrono>
#include <limits>

void CConfigDlgLogic::LogAction(WindowAction::Kind kind, const WindowAction::AddressChange& change) {
    const WindowAction action{.kind = kind, .address = m_deviceAddress, .link = {}, .change = change};
    Announce(m_watch.OnAction(action, m_utcNow(), m_restartEnvironment.now()));
}

void CConfigDlgLogic::Announce(const AlarmNews& news) {
    if (news.endsAlarms) {
        m_view.WithdrawAlarms();
    }
    for (const Alarm& alarm : news.alarms) {
        m_view.RaiseAlarm(alarm);
    }
    const std::optional<CDeviceWatch::Clock::time_point> due = m_watch.NextAlarmDue();
    if (!due) {
        m_view.StopTimer(kAlarmTimerId);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - m_restartEnvironment.now()).count();
    // A timer of 0 ms would not wait for the window's other events; one a millisecond on is as soon.
    m_view.StartTimer(kAlarmTimerId,
                      static_cast<int>(std::clamp<long long>(wait, 1, std::numeric_limits<int>::max())));
}

void CConfigDlgLogic::ShowTrayState(TrayState::Phase phase, IndicatorState gps, IndicatorState timeSync,
                                    std::size_t problems) {
    const TrayState state{
        .phase = phase, .address = m_deviceAddress, .gps = gps, .timeSync = timeSync, .problems = problems};
    m_view.SetTrayTip(TrayTip(state, LoadStringResource));
}
