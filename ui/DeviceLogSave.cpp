#include "DeviceLogSave.h"

#include "devicelog/EventTime.h"
#include "devicelog/LogCsv.h"
#include "devicetext/DeviceText.h"

namespace {

// "2026-12-08", the date part of an ISO 8601 time.
constexpr std::size_t kDateLength = 10;

} // namespace

std::string DefaultCsvName(const std::string& address, std::int64_t utcMicros) {
    const std::string device = address.empty() ? std::string("device-log") : DeviceText(address);
    return device + '_' + IsoUtcTime(utcMicros).substr(0, kDateLength) + '.' + kCsvExtension;
}

std::string CsvOf(CsvContent content, std::span<const EventRow> shownRows,
                  std::span<const LogReading> readings) {
    return content == CsvContent::Readings ? ReadingsCsv(readings) : RowsCsv(shownRows);
}
