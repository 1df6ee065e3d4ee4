#pragma once

// The user's "Notify me of problems", remembered per user in the program's settings; on until the user
// switches it off.
bool LoadAlarmsOn();
void SaveAlarmsOn(bool on);
