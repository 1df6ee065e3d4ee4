// The window's desktop alarms: what each reading and each end of a connection tells the tracker.
#include "ConfigDlgLogic.h"

#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

void CConfigDlgLogic::TrackAlarms(const AlarmReading& reading) {
    // The tracker learns every reading, so that switching alarms on reports changes from then on.
    std::vector<Alarm> alarms = m_alarms.Update(reading, m_restartEnvironment.now());
    if (!m_bAlarmsOn) {
        return;
    }
    for (Alarm& alarm : alarms) {
        // A notification is read away from the window, where only its summary says which device it is.
        alarm.summary = FillIn(LoadStringResource(IDS_ALARM_DEVICE), {m_deviceAddress, alarm.summary});
        m_view.RaiseAlarm(alarm);
    }
}

void CConfigDlgLogic::TrackConnectionEnd(AlarmConnection end) {
    AlarmReading reading;
    reading.connection = end;
    TrackAlarms(reading);
}
