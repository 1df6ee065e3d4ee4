#pragma once

#include "SntpPacket.h"

#include <optional>
#include <string>

// An answer of stratum 0 is a kiss-o'-death: instead of a time it carries a four-letter code in the
// reference id, and its times are not to be used. The failure it reports, such as "kiss code RATE
// (rate exceeded)", or nothing for an answer that serves time.
std::optional<std::string> KissOfDeath(const SntpPacket& answer);
