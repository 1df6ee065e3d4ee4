#include "LeapLine.h"

#include "resources/resource.h"
#include "runtime/TimeUnits.h"

#include <chrono>
#include <cstdint>

namespace {

constexpr int kLeapInserted = 1;
constexpr int kLeapDeleted = 2;
// The last second the calendar can show: the end of year 9999.
constexpr std::int64_t kLastShowableUnixSeconds = 253402300799;

std::string LastDayOfMonth(std::int64_t unixMicros, const StringLookup& strings) {
    using namespace std::chrono;
    const year_month_day day{floor<days>(sys_time<microseconds>(microseconds(unixMicros)))};
    const year_month_day_last last{day.year(), month_day_last{day.month()}};
    return std::to_string(static_cast<unsigned>(last.day())) + " " +
           strings(IDS_MONTH_JANUARY + static_cast<int>(static_cast<unsigned>(day.month())) - 1) + " " +
           std::to_string(static_cast<int>(day.year()));
}

} // namespace

std::string LeapLine(const NtpResult& ntp, const StringLookup& strings) {
    if (!ntp.answered || (ntp.leap != kLeapInserted && ntp.leap != kLeapDeleted)) {
        return {};
    }
    if (ntp.serverUnixMicros < 0 || ntp.serverUnixMicros / kMicrosPerSecond > kLastShowableUnixSeconds) {
        return {};
    }
    return FillIn(strings(ntp.leap == kLeapInserted ? IDS_LEAP_INSERTED : IDS_LEAP_DELETED),
                  {LastDayOfMonth(ntp.serverUnixMicros, strings)});
}
