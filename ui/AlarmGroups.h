#pragma once

#include "Alarm.h"
#include "resources/StringLookup.h"

#include <cstddef>
#include <vector>

// The device name a grouped alarm carries: it replaces the last grouped alarm of its subject.
inline constexpr const char* kGroupedAlarmDevice = "*";

// From this many devices with the same news at once, they are said in one alarm.
inline constexpr std::size_t kGroupedFrom = 3;

// The alarms raised at one moment, with those of kGroupedFrom or more devices that say the same (same
// subject, same kind and the same words after the address) said as one: "12 devices: GPS lock lost",
// the devices listed in its body. Withdrawals stay as they are; the order is kept, a group standing where
// its first alarm stood.
std::vector<Alarm> GroupAlarms(const std::vector<Alarm>& alarms, const StringLookup& strings);
