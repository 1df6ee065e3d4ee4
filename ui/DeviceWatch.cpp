#include "DeviceWatch.h"

#include <utility>

CDeviceWatch::CDeviceWatch(StringLookup strings) : m_pacer(strings), m_log(std::move(strings)) {}

AlarmNews CDeviceWatch::OnAction(const WindowAction& action, std::int64_t utcMicros, Clock::time_point now) {
    m_log.OnAction(utcMicros, action);
    bool endsAlarms = false;
    const std::vector<Transition> transitions = Observe(action, endsAlarms);
    if (endsAlarms) {
        m_pacer.Forget();
    }
    AlarmNews news = Announce(transitions, utcMicros, now);
    news.endsAlarms = endsAlarms;
    return news;
}

std::vector<Transition> CDeviceWatch::Observe(const WindowAction& action, bool& endsAlarms) {
    using Kind = WindowAction::Kind;
    switch (action.kind) {
    case Kind::Connected:
        endsAlarms = !m_observer.Address().empty() && !m_observer.Follows(action.address);
        return m_observer.OnConnected(action.address);
    case Kind::ConnectionLost:
        return m_observer.OnConnectionLost();
    case Kind::Disconnected:
        m_observer.OnDisconnected();
        endsAlarms = true;
        break;
    case Kind::ChangeSent:
        m_observer.OnChangeSent(action.change.address);
        break;
    case Kind::ChangeNotTaken:
        m_observer.OnRestartMissed();
        break;
    case Kind::ChangeTimedOut:
        m_observer.OnRestartTimedOut();
        break;
    case Kind::ChangeAsked:
        break;
    }
    return {};
}

AlarmNews CDeviceWatch::OnReading(const DeviceRecord& record, const Health& health, bool problemsPending,
                                  std::optional<std::int64_t> readMicros, std::int64_t utcMicros,
                                  Clock::time_point now) {
    // The link reads the clock about once a second; the chart takes each reading once, not each refresh.
    if (readMicros) {
        m_log.OnReading(*readMicros, record);
    }
    return Announce(m_observer.OnReading(record, health, problemsPending), readMicros.value_or(utcMicros),
                    now);
}

AlarmNews CDeviceWatch::OnTick(Clock::time_point now) {
    return AlarmNews{.endsAlarms = false, .alarms = m_pacer.OnTick(now)};
}

void CDeviceWatch::SetAlarmsOn(bool on) {
    m_alarmsOn = on;
    if (!on) {
        m_pacer.Forget();
    }
}

AlarmNews CDeviceWatch::Announce(const std::vector<Transition>& transitions, std::int64_t utcMicros,
                                 Clock::time_point now) {
    m_log.OnTransitions(utcMicros, transitions);
    AlarmNews news;
    // Alarms not shown use up nothing: the pacer counts only what reaches the user.
    if (m_alarmsOn) {
        news.alarms = m_pacer.OnTransitions(transitions, now);
    }
    return news;
}
