#pragma once

#include "DeviceWatch.h"
#include "DialogView.h"
#include "RestartEnvironment.h"
#include "TrayTip.h"

#include "runtime/RealTimeClock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Where the device log keeps its journal, and its clock; tests replace both.
struct DeviceLogEnvironment {
    // Without a path the log stays in memory.
    std::optional<std::string> journalPath;
    // This PC's clock in microseconds since 1970 UTC, for the window's own actions.
    std::function<std::int64_t()> utcNow = RealTimeMicros;
};

// The window's news of the device it follows, for the user outside the window: what the window did and
// read goes to the device watch, whose log records it and whose alarms are raised, each at its turn on
// the alarm timer; and the tip of the notification-area icon says how the device stands.
class CAlarmFeed {
public:
    using Clock = CDeviceWatch::Clock;

    // Alarms held back wait on timer timerId of view; the pace of the alarms follows environment's clock,
    // which outlives the feed.
    CAlarmFeed(CDialogView& view, const RestartEnvironment& environment, int timerId);
    CAlarmFeed(const CAlarmFeed&) = delete;
    CAlarmFeed& operator=(const CAlarmFeed&) = delete;

    // Replaces the device log's journal and clock; before the first connection.
    void SetDeviceLogEnvironment(DeviceLogEnvironment environment);
    // The device the window races for or shows from now on, by its address in normal form.
    void SetDevice(std::string address) { m_deviceAddress = std::move(address); }
    const std::string& Device() const { return m_deviceAddress; }

    // The window did kind to the device (change: the address change asked or sent).
    void LogAction(WindowAction::Kind kind, const WindowAction::AddressChange& change = {});
    // The window connected to the device over link ("shell" or "telnet").
    void LogConnected(const std::string& link);
    // A refresh's reading of the connected device, as the device watch takes it.
    void OnReading(const DeviceRecord& record, const Health& health, bool problemsPending,
                   std::optional<std::int64_t> readMicros);
    // The alarm timer fired: raises the held alarms now due.
    void OnAlarmTimer();
    // The tip of the notification-area icon: the device and how it stands.
    void ShowTrayState(TrayState::Phase phase, IndicatorState gps = {}, IndicatorState timeSync = {},
                       std::size_t problems = 0);

    const CDeviceLog& Log() const { return m_watch.Log(); }
    CDeviceLog& Log() { return m_watch.Log(); }
    bool AlarmsOn() const { return m_watch.AlarmsOn(); }
    void SetAlarmsOn(bool on) { m_watch.SetAlarmsOn(on); }

private:
    // Raises what the watch announced and sets the timer for what it holds back.
    void Announce(const AlarmNews& news);
    void Tell(const WindowAction& action);

    CDialogView& m_view;
    const RestartEnvironment& m_environment;
    const int m_timerId;
    // The one observer of the device's readings, its log and its alarms.
    CDeviceWatch m_watch;
    std::function<std::int64_t()> m_utcNow = RealTimeMicros;
    std::string m_deviceAddress;
};
