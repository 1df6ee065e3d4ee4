#pragma once

#include "devicelog/ReadingObserver.h"

#include <string>

enum class AlarmKind { Loss, Recovery };
enum class AlarmUrgency { Normal, Critical };

// One alarm to raise outside the window.
struct Alarm {
    std::string device; // the device's address: an alarm replaces the last one of its device and subject
    TransitionSubject subject;
    AlarmKind kind = AlarmKind::Loss;
    std::string summary; // one short line that names the device: "192.168.42.7: GPS lock lost"
    std::string body;    // what it means, or the problem's own text
    AlarmUrgency urgency = AlarmUrgency::Normal;
};
