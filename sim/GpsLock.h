#pragma once

#include <functional>

// Whether SIGUSR1 has flipped the GPS lock an odd number of times since the sim started.
using GpsFlipped = std::function<bool()>;

// The getdate status letter: the one the options set, or once flipped its opposite (V for A, A for any
// other), so that a second flip always gives back the original.
char GpsLetter(char configured, bool flipped);
