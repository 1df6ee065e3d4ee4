#pragma once

#include "resources/StringLookup.h"

#include "health/Health.h"
#include "link/LinkState.h"

#include <string>

// The lamp a problem belongs to (IDC_GPS_LAMP or IDC_TIME_SYNC_LAMP): the GPS lamp takes the receiver
// and the reference the daemon takes from it, the time-sync lamp everything else, a new rule's included.
int LampOfProblem(ProblemCode code);

// What a screen reader calls lamp lampId showing bitmapId: its caption and its colour, which the
// picture alone tells only to the eye.
std::string LampAccessibleName(int lampId, int bitmapId, const StringLookup& strings);

// The tooltip of lamp lampId while connected: the texts of its problems, one a line; when it has none,
// a line saying so, a line saying its state is not known when it is out for want of a readable answer
// (no rule found a problem), or nothing while the lamp is undetermined (grey).
std::string LampTip(int lampId, IndicatorState lampState, const Health& health, const StringLookup& strings);
