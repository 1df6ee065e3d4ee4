#pragma once

#include <CLI/CLI.hpp>

#include <string>

// The command-line checks and texts that both programs share.

// A number within [minimum, maximum], and whole when asked, checked on the text before CLI11 converts it.
CLI::Validator NumberWithin(double minimum, double maximum, bool whole = false);

// "8 to 86400": the seconds a device's reading or a whole run may be given.
std::string ReadingTimes();
// "default 30: ...": the seconds of a device's reading by default, and what they cover.
std::string DefaultReadingTime();
// Such a time, none shorter than a healthy device takes to be read (kShortestReadingLimit); a shorter
// one is refused with that reason.
CLI::Validator ReadingTime();
