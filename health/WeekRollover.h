#pragma once

// A GPS receiver counts weeks in 10 bits: one that lost track of the epoch puts the date 1024 weeks
// behind (2048 after a second wrap), give or take the days it has been wrong since.
// How many weeks behind offsetSeconds (the device against this PC) puts the device by such a rollover,
// to within 2 days; 0 when it is none.
int RolloverWeeks(double offsetSeconds);
