#include "DeviceRow.h"

#include "resources/resource.h"

#include "devicelog/EventTime.h"
#include "devicetext/DeviceText.h"
#include "health/NumberText.h"

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;

std::string Lamp(const std::optional<bool>& lit, int litText, int outText, const StringLookup& strings) {
    if (!lit) {
        return {};
    }
    return strings(*lit ? litText : outText);
}

// Signed, to the millisecond: the offsets the status program prints.
std::string Offset(const std::optional<double>& seconds) {
    return seconds ? FormatNumber("%+.3f s", *seconds) : std::string();
}

std::optional<double> NtpOffset(const DeviceRecord& record) {
    if (record.ntp && record.ntp->answered) {
        return record.ntp->offsetSeconds;
    }
    return std::nullopt;
}

// An age in the largest whole unit it has reached: seconds under two minutes, minutes under two hours.
std::string Age(std::int64_t micros, const StringLookup& strings) {
    const std::int64_t seconds = micros > 0 ? micros / kMicrosPerSecond : 0;
    if (seconds < 120) {
        return FillIn(strings(IDS_DEVICES_AGE_SECONDS), {std::to_string(seconds)});
    }
    if (seconds < 2 * 3600) {
        return FillIn(strings(IDS_DEVICES_AGE_MINUTES), {std::to_string(seconds / 60)});
    }
    return FillIn(strings(IDS_DEVICES_AGE_HOURS), {std::to_string(seconds / 3600)});
}

constexpr int kStateTexts[] = {IDS_DEVICES_STATE_NOT_READ, IDS_DEVICES_STATE_READING,
                               IDS_DEVICES_STATE_OK,       IDS_DEVICES_STATE_WARNING,
                               IDS_DEVICES_STATE_CRITICAL, IDS_DEVICES_STATE_UNREACHABLE};

constexpr int kColumnTitles[kDeviceColumnCount] = {
    IDS_DEVICES_COLUMN_ADDRESS,    IDS_DEVICES_COLUMN_NAME,     IDS_DEVICES_COLUMN_STATE,
    IDS_DEVICES_COLUMN_GPS,        IDS_DEVICES_COLUMN_SYNC,     IDS_DEVICES_COLUMN_CLOCK,
    IDS_DEVICES_COLUMN_NTP,        IDS_DEVICES_COLUMN_FIRMWARE, IDS_DEVICES_COLUMN_EVENT,
    IDS_DEVICES_COLUMN_EVENT_WHEN, IDS_DEVICES_COLUMN_AGE};

} // namespace

DeviceState StateOf(const DeviceEntry& entry) {
    if (!entry.record) {
        return entry.reading ? DeviceState::Reading : DeviceState::NotRead;
    }
    const DeviceRecord& record = *entry.record;
    if (!record.reachable) {
        return TellsOfTheDevice(record.failureKind) ? DeviceState::Unreachable : DeviceState::NotRead;
    }
    switch (entry.health.severity) {
    case Severity::Ok:
        return DeviceState::Ok;
    case Severity::Warning:
        return DeviceState::Warning;
    case Severity::Critical:
        return DeviceState::Critical;
    case Severity::Unknown:
        break;
    }
    // A reading that could not be judged (this PC's fault, or cut short) says nothing of the device.
    return DeviceState::NotRead;
}

StateColour ColourOf(DeviceState state) {
    switch (state) {
    case DeviceState::NotRead:
        return StateColour::Neutral;
    case DeviceState::Reading:
        return StateColour::Busy;
    case DeviceState::Ok:
        return StateColour::Good;
    case DeviceState::Warning:
        return StateColour::Caution;
    case DeviceState::Critical:
        return StateColour::Alert;
    case DeviceState::Unreachable:
        return StateColour::Absent;
    }
    return StateColour::Neutral;
}

std::optional<std::uint32_t> ShadeOf(StateColour colour) {
    switch (colour) {
    case StateColour::Good:
        return 0xc8f0c8;
    case StateColour::Caution:
        return 0xffe8a0;
    case StateColour::Alert:
        return 0xffc0c0;
    case StateColour::Absent:
        return 0xd8d8d8;
    case StateColour::Busy:
        return 0xd0e4ff;
    case StateColour::Neutral:
        break;
    }
    return std::nullopt;
}

DeviceRow MakeDeviceRow(const DeviceEntry& entry, std::int64_t nowUtcMicros, const StringLookup& strings) {
    DeviceRow row;
    row.state = StateOf(entry);
    row.colour = ColourOf(row.state);
    auto cell = [&row](DeviceColumn column) -> std::string& {
        return row.cells[static_cast<std::size_t>(column)];
    };
    cell(DeviceColumn::Address) = entry.address;
    cell(DeviceColumn::Name) = entry.name;
    cell(DeviceColumn::State) = strings(kStateTexts[static_cast<std::size_t>(row.state)]);
    if (entry.record) {
        const DeviceRecord& record = *entry.record;
        cell(DeviceColumn::GpsLock) =
            Lamp(record.gpsLocked, IDS_DEVICES_GPS_LOCKED, IDS_DEVICES_GPS_UNLOCKED, strings);
        cell(DeviceColumn::TimeSync) =
            Lamp(record.timeSynced, IDS_DEVICES_SYNCED, IDS_DEVICES_NOT_SYNCED, strings);
        cell(DeviceColumn::ClockOffset) = Offset(record.offsetSeconds);
        cell(DeviceColumn::NtpOffset) = Offset(NtpOffset(record));
        // Its bytes come from the device.
        cell(DeviceColumn::Firmware) = DeviceText(record.firmware);
    }
    cell(DeviceColumn::LastEvent) = entry.lastEvent;
    if (entry.lastEventUtcMicros) {
        cell(DeviceColumn::LastEventWhen) = LocalTimeText(*entry.lastEventUtcMicros);
    }
    cell(DeviceColumn::Age) = ReadingAge(entry, nowUtcMicros, strings);
    return row;
}

std::string ReadingAge(const DeviceEntry& entry, std::int64_t nowUtcMicros, const StringLookup& strings) {
    return entry.readUtcMicros ? Age(nowUtcMicros - *entry.readUtcMicros, strings) : std::string();
}

std::array<std::string, kDeviceColumnCount> DeviceColumnTitles(const StringLookup& strings) {
    std::array<std::string, kDeviceColumnCount> titles;
    for (std::size_t column = 0; column < kDeviceColumnCount; ++column) {
        titles[column] = strings(kColumnTitles[column]);
    }
    return titles;
}
