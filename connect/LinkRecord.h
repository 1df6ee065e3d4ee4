#pragma once

#include "health/DeviceRecord.h"
#include "link/DeviceSnapshot.h"
#include "link/RacingLink.h"

// What a connected link has read of the device, as the health rules take it: the firmware, the clock
// with its offset and round trip, the GPS and time-sync lamps, the MAC and the peers. What the link
// has not read stays empty; the address, the link's name, reachability and the NTP check are the
// caller's.
void FillFromSnapshot(const DeviceSnapshot& snapshot, DeviceRecord& record);
// The same for a link on a thread of its own, read through its accessors.
void FillFromLink(const CRacingLink& link, DeviceRecord& record);
