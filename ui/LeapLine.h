#pragma once

#include "resources/StringLookup.h"

#include "health/DeviceRecord.h"

#include <string>

// The line under the firmware version while the device's time service announces a leap second: which
// second and on which day, the last of the month the served time falls in. Empty when it announces none,
// when its clock is unsynchronised (that is a problem, not an announcement) and without an answer.
std::string LeapLine(const NtpResult& ntp, const StringLookup& strings);
