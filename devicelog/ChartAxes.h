#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A value axis of round numbers: from low to high in steps of 1, 2 or 5 times a power of ten, shown in
// the unit that suits its largest value.
struct ValueAxis {
    double lowSeconds = 0;
    double highSeconds = 0;
    double stepSeconds = 0;
    std::string unit;     // "µs", "ms" or "s"
    double perSecond = 1; // units in a second
    int decimals = 0;     // that a label of the step needs
};

// The axis that holds least to most with about tickCount steps, at least one; a range too narrow to
// divide is widened around its middle.
ValueAxis NiceValueAxis(double least, double most, int tickCount);

// The values of the axis's ticks, low to high.
std::vector<double> TickValues(const ValueAxis& axis);

// value in the axis's unit with the decimals its step needs: "-2.5"; never "-0".
std::string ValueLabel(const ValueAxis& axis, double seconds);

// The time between two time ticks: the shortest of the usual clock steps (1 minute to 12 hours) that
// keeps ticks at least minimumPixels apart on a chart of width pixels for spanSeconds.
std::int64_t TimeStepSeconds(std::int64_t spanSeconds, int width, int minimumPixels);

// "HH:MM" of the time of day at seconds since 1970, already in the zone to show.
std::string ClockLabel(std::int64_t seconds);
