#pragma once

#include "DeviceAnswers.h"
#include "DeviceTime.h"
#include "LinkInstant.h"
#include "LinkState.h"
#include "TimedClockReading.h"
#include "devicetext/PeerTable.h"

#include <cstdint>
#include <optional>
#include <string>

// What a link has read of the device in its current run: the held device time, the lamps, the MAC state,
// the firmware version, the raw clock reading, the peer table and the first answer it could not read.
struct DeviceSnapshot {
    HeldDeviceTime deviceTime;            // both fields 0: no device time
    LinkClock::time_point deviceTimeRead; // when deviceTime was read
    IndicatorState timeSyncState;
    IndicatorState gpsState;
    int macUnassigned = 0; // 1 when the last readable getdate answer said so; kept over a new run
    std::string version;   // at most kVersionLength characters, empty until read
    std::optional<TimedClockReading> lastReading;
    std::optional<PeerTable> peerTable;
    std::optional<UnreadableAnswer> unreadableAnswer; // the first of the run; nothing while all were read

    // Whole device seconds at now, carried forward from when the time was read; 0 when none is known.
    std::int64_t DeviceTimeAt(LinkClock::time_point now) const;
    // Forgets what a run read, as a new run starts; the MAC state stays.
    void ForgetRun();
    // Stores a getdate answer's reading, advanced by advanceMicros for display, read at answeredAt after
    // the command left at sentPcMicros; an unreadable answer leaves no time at all.
    void TakeClockReading(const std::optional<DeviceClockReading>& reading, std::int64_t advanceMicros,
                          std::int64_t sentPcMicros, const LinkInstant& answeredAt);
    // Keeps the answer text (up to its prompt) to the command whose echo is marker as unreadable, unless
    // one is kept already.
    void KeepUnreadableAnswer(std::string_view text, const char* marker);
};
