#pragma once

#include "health/DeviceRecord.h"

#include <cstdint>

// A lamp of one reading: not read yet, off or on.
enum class LampState : std::uint8_t { Unknown, Off, On };

// One reading the device log keeps: what the chart draws of a second. Compact (32 bytes), for a day of
// them at one a second; the flags say which values were read.
struct LogReading {
    std::int64_t pcUnixMicros = 0; // this PC's clock when the reading was taken, UTC
    double offsetSeconds = 0;      // device clock minus the midpoint of send and answer
    float uncertaintySeconds = 0;  // how far the true offset may lie from offsetSeconds either way
    float peerOffsetSeconds = 0;   // the time daemon's system peer
    float peerJitterSeconds = 0;
    LampState gps = LampState::Unknown;
    LampState timeSync = LampState::Unknown;
    bool hasOffset : 1 = false;
    bool hasPeer : 1 = false;
    bool startsRun : 1 = false; // the first reading of a connection: nothing joins it to the one before

    friend bool operator==(const LogReading&, const LogReading&) = default;
};

static_assert(sizeof(LogReading) == 32);

// The reading of a record filled from a link (FillFromLink), taken at pcUnixMicros: the shell offset
// and its uncertainty as vantrex-status takes them, the lamps, and the system peer once a peer table
// was read.
LogReading ReadingOf(const DeviceRecord& record, std::int64_t pcUnixMicros);
