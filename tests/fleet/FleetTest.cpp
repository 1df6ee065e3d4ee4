// The long-lived fleet on a loop the test owns, against simulated devices on 127.0.214.x.
#include "fleet/Fleet.h"

#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Clock = std::chrono::steady_clock;

DeviceAddress Loopback(std::uint32_t last) {
    return {"127.0.214." + std::to_string(last), (127u << 24) | (214u << 8) | last};
}

std::vector<DeviceAddress> Devices(std::uint32_t first, std::uint32_t last) {
    std::vector<DeviceAddress> devices;
    for (; first <= last; ++first) {
        devices.push_back(Loopback(first));
    }
    return devices;
}

// Every reading as it came, and whether any came after the due time its predecessor gave.
class CReadings : public IFleetListener {
public:
    void OnReading(const FleetReading& reading) override {
        const Clock::time_point now = Clock::now();
        Device& device = m_devices[reading.record.address];
        if (device.due && now > *device.due) {
            overdue.push_back(reading.record.address);
        }
        device.due = reading.nextDue;
        ++device.readings;
        if (!reading.record.reachable) {
            failed.push_back(reading.record.address + ": " + reading.record.failure);
        }
    }
    void OnPlan(const FleetPlan& plan) override { plans.push_back(plan); }

    int Readings(const std::string& address) const {
        const auto found = m_devices.find(address);
        return found == m_devices.end() ? 0 : found->second.readings;
    }

    std::vector<std::string> overdue;
    std::vector<std::string> failed;
    std::vector<FleetPlan> plans;

private:
    struct Device {
        std::optional<Clock::time_point> due;
        int readings = 0;
    };
    std::map<std::string, Device> m_devices;
};

// Runs loop until done says so or 30 s pass.
template <typename Done>
bool RunUntil(CEventLoop& loop, Done done) {
    const Clock::time_point end = Clock::now() + std::chrono::seconds(30);
    while (!done() && Clock::now() < end) {
        (void)loop.Wait(std::min(end, Clock::now() + std::chrono::milliseconds(100)));
    }
    return done();
}

// More devices than places: each is read in turn, none waits past the due time its last reading gave,
// and lists changed again and again, as reloads do, drop and add devices while the readings of those
// listed throughout go on.
TEST(Fleet, ReadsInTurnsOnSchedulesThatReloadsLeaveAlone) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", "127.0.214.1-127.0.214.6", "--telnet-port", "0"}))
        << sim.ErrorOutput();
    const std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    ASSERT_TRUE(loop);
    FleetSettings settings;
    settings.parallel = 2;
    settings.watchInterval = std::chrono::milliseconds(500);
    settings.probe.ntp = false;
    CReadings readings;
    CFleet fleet(*loop, settings, readings);
    fleet.List(Devices(1, 4));
    ASSERT_EQ(readings.plans.size(), 1u);
    EXPECT_FALSE(readings.plans[0].keptConnected);
    EXPECT_EQ(readings.plans[0].atOnce, 2u);
    ASSERT_TRUE(RunUntil(*loop, [&] { return readings.Readings("127.0.214.4") >= 2; }));

    // A new list every 300 ms, shorter than a reading over the shell: a reload that restarted the
    // readings in progress would never let one end.
    const int before = readings.Readings("127.0.214.2");
    for (int reload = 0; reload < 10; ++reload) {
        fleet.List(reload % 2 == 0 ? Devices(2, 5) : Devices(2, 6));
        const Clock::time_point next = Clock::now() + std::chrono::milliseconds(300);
        (void)RunUntil(*loop, [next] { return Clock::now() >= next; });
    }
    fleet.List(Devices(2, 6));
    const int dropped = readings.Readings("127.0.214.1");
    ASSERT_TRUE(RunUntil(*loop, [&] { return readings.Readings("127.0.214.6") >= 1; }));
    EXPECT_GT(readings.Readings("127.0.214.2"), before);
    EXPECT_GE(readings.Readings("127.0.214.5"), 1);
    EXPECT_EQ(readings.Readings("127.0.214.1"), dropped);
    EXPECT_TRUE(readings.overdue.empty()) << readings.overdue.front();
    EXPECT_TRUE(readings.failed.empty()) << readings.failed.front();
}

} // namespace
