#pragma once

#include "StatusOptions.h"

#include "discover/SearchRange.h"
#include "runtime/Signal.h"

#include <cstdio>

// Searches range for devices and writes each address found to out as soon as it is found, in format
// (lines or JSON Lines); reasons go to stderr. The exit status: 0 when something was found, 1 when
// nothing was, 3 when the search could not be completed (stop set, an address this PC could not try, a
// failed wait) or the output could not be written; what was found is written in every case.
int RunDiscovery(const SearchRange& range, OutputFormat format, const CSignal& stop, std::FILE* out);
