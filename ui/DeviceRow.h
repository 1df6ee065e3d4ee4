#pragma once

#include "resources/StringLookup.h"

#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The Devices window's table columns, left to right.
enum class DeviceColumn {
    Address,
    Name,
    State,
    GpsLock,
    TimeSync,
    ClockOffset, // the device clock against this PC's
    NtpOffset,   // the time its NTP service serves, against this PC's
    Firmware,
    LastEvent,
    LastEventWhen,
    Age, // of the latest reading
};
inline constexpr std::size_t kDeviceColumnCount = static_cast<std::size_t>(DeviceColumn::Age) + 1;

// Where a device of the list stands, in the order of the table's state column sorted ascending.
enum class DeviceState { NotRead, Reading, Ok, Warning, Critical, Unreachable };

// The colour a front end gives a state; the state's words always say it too, so colour is never alone.
enum class StateColour {
    Neutral, // not read yet
    Busy,    // being read
    Good,    // OK
    Caution, // warning
    Alert,   // critical
    Absent,  // unreachable
};

// What the window knows of one listed device: what the user gave, and what the fleet and its events
// last said.
struct DeviceEntry {
    std::string address; // dotted, in normal form
    std::uint32_t addressValue = 0;
    std::string name;     // the user's; empty when none
    bool reading = false; // a reading started and none has ended yet
    std::optional<DeviceRecord> record;
    Health health;
    std::optional<std::int64_t> readUtcMicros; // when the latest reading ended, on this PC's clock
    std::string lastEvent;                     // the text of the device's latest event; empty when none
    std::optional<std::int64_t> lastEventUtcMicros;
};

// One row of the table: every column's words, the state with its colour, and the values the columns
// sort by.
struct DeviceRow {
    std::array<std::string, kDeviceColumnCount> cells;
    DeviceState state = DeviceState::NotRead;
    StateColour colour = StateColour::Neutral;

    const std::string& Cell(DeviceColumn column) const { return cells[static_cast<std::size_t>(column)]; }
};

// The state of a device from what the window knows of it: a failed reading is unreachable only when the
// failure tells of the device; one of this PC's is not read.
DeviceState StateOf(const DeviceEntry& entry);
StateColour ColourOf(DeviceState state);
// The shade a front end paints behind a state's words, as 0xRRGGBB: light whatever the theme, so that
// the words stay dark on it; none for a device not read yet, which keeps the table's own colours.
std::optional<std::uint32_t> ShadeOf(StateColour colour);

// The row of entry at nowUtcMicros on this PC's clock, its words from strings.
DeviceRow MakeDeviceRow(const DeviceEntry& entry, std::int64_t nowUtcMicros, const StringLookup& strings);

// The age column's words for entry at nowUtcMicros: the only cell that changes while nothing is read.
std::string ReadingAge(const DeviceEntry& entry, std::int64_t nowUtcMicros, const StringLookup& strings);

// The column titles, left to right.
std::array<std::string, kDeviceColumnCount> DeviceColumnTitles(const StringLookup& strings);
