#pragma once

#include "DeviceLogRows.h"

#include "devicelog/LogReading.h"
#include "resources/resource.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

// What "Save as CSV" writes, in the order of the save box's file types.
enum class CsvContent { ShownEvents, Readings };

// The save box's file types with their texts' ids, which say what each file holds.
inline constexpr std::array kCsvChoices = {std::pair{CsvContent::ShownEvents, IDS_LOG_CSV_EVENTS},
                                           std::pair{CsvContent::Readings, IDS_LOG_CSV_READINGS}};
// The extension a name typed without one gets.
inline constexpr const char* kCsvExtension = "csv";

// The name the save box offers: the device's address and the day of utcMicros in UTC,
// "192.168.42.7_2026-12-08.csv"; "device-log_2026-12-08.csv" before any device.
std::string DefaultCsvName(const std::string& address, std::int64_t utcMicros);

// The file of content: the events the list shows, in its order, or the readings of the chart's span.
std::string CsvOf(CsvContent content, std::span<const EventRow> shownRows,
                  std::span<const LogReading> readings);
