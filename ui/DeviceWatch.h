#pragma once

#include "Alarm.h"
#include "AlarmPacer.h"
#include "DeviceLog.h"
#include "resources/StringLookup.h"

#include "devicelog/ReadingObserver.h"

#include <cstdint>
#include <optional>
#include <vector>

// What a step of the watch asks of the window's alarms.
struct AlarmNews {
    bool endsAlarms = false;   // the alarms raised so far are over: take them off the screen first
    std::vector<Alarm> alarms; // to raise, in order
};

// The window's watch over the device it follows: the one observer of its readings, whose transitions
// the device log records and the alarms announce, paced. The window tells it what it did and what it
// read; it answers with the alarms to raise. Alarms switched off raise nothing and count nothing.
class CDeviceWatch {
public:
    using Clock = CAlarmPacer::Clock;

    // A watch whose alarms and log take their texts from strings.
    explicit CDeviceWatch(StringLookup strings);

    // What the window did at utcMicros on this PC's clock and now on its steady clock. A user's
    // Disconnect and a connection to another device end the alarms of the one followed.
    AlarmNews OnAction(const WindowAction& action, std::int64_t utcMicros, Clock::time_point now);
    // A refresh's reading of the connected device, with the health the window judged of it and whether
    // the time service has yet to answer; readMicros is when the link read the device's clock, nothing
    // while it holds no reading; utcMicros is this PC's clock now.
    AlarmNews OnReading(const DeviceRecord& record, const Health& health, bool problemsPending,
                        std::optional<std::int64_t> readMicros, std::int64_t utcMicros,
                        Clock::time_point now);
    // The held alarms due by now.
    AlarmNews OnTick(Clock::time_point now);
    // When OnTick has alarms to raise next; nothing while none is held.
    std::optional<Clock::time_point> NextAlarmDue() const { return m_pacer.NextDue(); }

    // Whether alarms reach the user; switching them off drops what is held.
    bool AlarmsOn() const { return m_alarmsOn; }
    void SetAlarmsOn(bool on);

    CDeviceLog& Log() { return m_log; }
    const CDeviceLog& Log() const { return m_log; }

private:
    std::vector<Transition> Observe(const WindowAction& action, bool& endsAlarms);
    AlarmNews Announce(const std::vector<Transition>& transitions, std::int64_t utcMicros,
                       Clock::time_point now);

    CReadingObserver m_observer;
    CAlarmPacer m_pacer;
    CDeviceLog m_log;
    bool m_alarmsOn = true;
};
