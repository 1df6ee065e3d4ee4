#include "DeviceClock.h"

#include "runtime/TimeUnits.h"

namespace {

constexpr std::int64_t kRolloverMicros = 1024LL * 7 * 86400 * kMicrosPerSecond;

std::int64_t ToMicros(DeviceTime time) {
    return time.seconds * kMicrosPerSecond + time.micros;
}

DeviceTime FromMicros(std::int64_t micros) {
    return DeviceTime{micros / kMicrosPerSecond, static_cast<int>(micros % kMicrosPerSecond)};
}

} // namespace

CDeviceClock::CDeviceClock(const ClockSetting& setting)
    : m_base(setting.fixedStart ? setting.start : RealTime()),
      m_followsRealTime(!setting.fixedStart && !setting.frozen), m_frozen(setting.frozen),
      m_behindMicros(setting.weekRollover ? kRolloverMicros : 0),
      m_started(std::chrono::steady_clock::now()) {}

DeviceTime CDeviceClock::Now() const {
    return FromMicros(ToMicros(Configured()) - m_behindMicros);
}

DeviceTime CDeviceClock::Configured() const {
    if (m_followsRealTime) {
        return RealTime();
    }
    if (m_frozen) {
        return m_base;
    }
    // Elapsed time comes from the monotonic clock so that a PC clock step does not move the device.
    const auto elapsed = std::chrono::steady_clock::now() - m_started;
    return FromMicros(ToMicros(m_base) +
                      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

DeviceTime CDeviceClock::RealTime() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return FromMicros(std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count());
}
