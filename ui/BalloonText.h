#pragma once

#include "Alarm.h"

#include <cstddef>
#include <string>

// An alarm as a notification with a title of limited length shows it.
struct BalloonText {
    std::string title;
    std::string text;
};

// The title and text of alarm for a title of at most titleUnits UTF-16 units: the summary when it fits;
// else the summary without its count of changes, the whole summary then heading the text; else that one
// cut at a character with "…", so that the device's address and the state are read first.
BalloonText FitBalloon(const Alarm& alarm, std::size_t titleUnits);
