#pragma once

#include "DeviceList.h"
#include "DeviceProbe.h"
#include "Fleet.h"

#include "health/DeviceRecord.h"
#include "ntpquery/NtpHistoryStore.h"
#include "runtime/Signal.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Receives every record in the order the devices were given; in watch mode once per interval, with
// round counting from 0.
using RecordSink = std::function<void(const std::vector<DeviceRecord>& records)>;

// Reads every device once, at most settings.parallel at a time, and hands all records to sink. Ends
// early, with the devices not read yet marked as interrupted, when stop is set. False when stopped.
// At settings.deadline every device not read yet is reported as timed out when it had the time a healthy
// device needs, and as not read (which says nothing of it) when it was started later or never.
bool ReadFleetOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings,
                   const CSignal& stop, const RecordSink& sink);

// Reads every device on a fleet of its own loop and hands their latest records to sink every watch
// interval until stop is set: kept connected while the places allow, else on a rolling schedule; a lost
// device is reported down and reconnected after a growing delay.
void WatchFleet(const std::vector<DeviceAddress>& devices, const FleetSettings& settings, const CSignal& stop,
                const RecordSink& sink);
