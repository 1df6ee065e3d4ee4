#pragma once

#include "Alarm.h"
#include "AlarmPacer.h"
#include "resources/StringLookup.h"

#include "devicelog/DeviceEvent.h"
#include "devicelog/Journal.h"
#include "devicelog/ReadingObserver.h"
#include "health/ClockStep.h"
#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What one reading of a listed device meant: its health (the step of its clock included), the events the
// journal took and the alarms to raise now, paced.
struct FleetStep {
    Health health;
    std::vector<DeviceEvent> events;
    std::vector<Alarm> alarms;
    std::optional<std::string> journalWarning; // the first failure to write the journal
};

// The watch over every device of the Devices window: each device's readings judged by the same rules as
// vantrex-status judges them, its own observer of transitions, whose events go to the journal its device
// log reads back, and one pacer over all their alarms, as the main window paces its device's. Pure but
// for the journal: the caller gives the times.
class CFleetEvents {
public:
    using Clock = CAlarmPacer::Clock;

    // journalPath: the user's journal, shared with the main window's device log; none keeps no journal.
    CFleetEvents(StringLookup strings, std::optional<std::string> journalPath);

    // A reading the fleet ended at utcMicros on this PC's clock and now on its steady clock.
    FleetStep OnReading(const DeviceRecord& record, std::int64_t utcMicros, Clock::time_point now);
    // The held alarms due by now.
    std::vector<Alarm> OnTick(Clock::time_point now);
    std::optional<Clock::time_point> NextAlarmDue() const { return m_pacer.NextDue(); }
    // The device left the list: what was known of it goes.
    void Forget(const std::string& address);

private:
    struct Watched {
        CReadingObserver observer;
        CClockStep clockStep;
        bool connected = false;
    };

    std::vector<Transition> Observe(Watched& watched, const DeviceRecord& record, const Health& health);

    StringLookup m_strings;
    std::optional<CJournal> m_journal;
    CAlarmPacer m_pacer;
    std::map<std::string, Watched> m_devices;
};
