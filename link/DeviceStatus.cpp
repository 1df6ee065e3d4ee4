// The status snapshot as the window reads it: every read is a copy taken under the link's lock.
#include "DeviceLink.h"

#include "DeviceTime.h"

#include "runtime/Tick.h"

std::int64_t CDeviceLink::CurrentDeviceTime() const {
    HeldDeviceTime time;
    std::uint32_t stamp = 0;
    {
        CLockHold hold(m_lock);
        time = HeldDeviceTime{m_deviceSeconds, m_deviceMicros};
        stamp = m_tickStamp;
    }
    return CarryDeviceTime(time, TicksSince(stamp, TickCount()));
}

IndicatorState CDeviceLink::TimeSyncState() const {
    CLockHold hold(m_lock);
    return m_timeSyncState;
}

IndicatorState CDeviceLink::GpsState() const {
    CLockHold hold(m_lock);
    return m_gpsState;
}

int CDeviceLink::IsMacUnassigned() const {
    CLockHold hold(m_lock);
    return m_macUnassigned;
}

std::string CDeviceLink::FirmwareVersion() const {
    CLockHold hold(m_lock);
    return std::string(m_version);
}

std::optional<TimedClockReading> CDeviceLink::LastClockReading() const {
    CLockHold hold(m_lock);
    return m_lastReading;
}

std::optional<PeerTable> CDeviceLink::LastPeerTable() const {
    CLockHold hold(m_lock);
    return m_peerTableReading;
}

std::optional<UnreadableAnswer> CDeviceLink::FirstUnreadableAnswer() const {
    CLockHold hold(m_lock);
    return m_unreadableAnswer;
}
