// How long a single run of the fleet may take, against silent simulated devices on 127.0.12.x.
#include "status/FleetRun.h"
#include "health/Health.h"

#include "tests/support/DescriptorExhaustion.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short kNtpPort = 12112;

// Devices that take connections and NTP requests and never answer either.
bool StartSilentDevices(CSimProcess& sim, const char* addresses) {
    return sim.Start({"--address", addresses, "--telnet-port", "0", "--ntp-port", std::to_string(kNtpPort),
                      "--silent", "--ntp-silent"});
}

DeviceAddress Loopback(std::uint32_t last) {
    return {"127.0.12." + std::to_string(last), (127u << 24) | (12u << 8) | last};
}

struct TimedRun {
    std::vector<DeviceRecord> records;
    double seconds = 0;
};

TimedRun ReadOnce(const std::vector<DeviceAddress>& devices, const FleetSettings& settings) {
    TimedRun run;
    CSignal stop;
    const auto start = Clock::now();
    EXPECT_TRUE(ReadFleetOnce(devices, settings, stop,
                              [&run](const std::vector<DeviceRecord>& records) { run.records = records; }));
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

FleetSettings Settings(std::chrono::milliseconds timeout) {
    FleetSettings settings;
    settings.probe.timeout = timeout;
    settings.probe.ntpPort = kNtpPort;
    return settings;
}

// The NTP check's own retry would wait 4 s.
TEST(FleetRun, TimeoutBoundsTheWholeReadingNtpIncluded) {
    CSimProcess sim;
    ASSERT_TRUE(StartSilentDevices(sim, "127.0.12.1")) << sim.ErrorOutput();
    const TimedRun run = ReadOnce({Loopback(1)}, Settings(std::chrono::milliseconds(800)));
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0].failure, "no answer within 0.8 s");
    ASSERT_TRUE(run.records[0].ntp);
    EXPECT_FALSE(run.records[0].ntp->answered);
    EXPECT_LT(run.seconds, 2.5);
}

TEST(FleetRun, DeadlineReportsEveryUnfinishedDeviceTimedOutAndEndsTheRun) {
    CSimProcess sim;
    ASSERT_TRUE(StartSilentDevices(sim, "127.0.12.2-127.0.12.4")) << sim.ErrorOutput();
    FleetSettings settings = Settings(std::chrono::milliseconds(6000));
    settings.parallel = 2;
    settings.deadline = std::chrono::milliseconds(1000);
    const TimedRun run = ReadOnce({Loopback(2), Loopback(3), Loopback(4)}, settings);
    EXPECT_LT(run.seconds, 3.5);
    EXPECT_GE(run.seconds, 0.9);
    ASSERT_EQ(run.records.size(), 3u);
    const char* failures[] = {"no answer within the 1 s deadline", "no answer within the 1 s deadline",
                              "not read within the 1 s deadline"};
    for (std::size_t index = 0; index < run.records.size(); ++index) {
        const DeviceRecord& record = run.records[index];
        EXPECT_EQ(record.address, Loopback(static_cast<std::uint32_t>(index) + 2).text);
        EXPECT_EQ(record.failure, failures[index]);
        EXPECT_FALSE(record.interrupted);
        ASSERT_TRUE(record.ntp);
        EXPECT_NE(record.ntp->failure.find("within the 1 s deadline"), std::string::npos)
            << record.ntp->failure;
        // As an unreachable device is.
        EXPECT_EQ(AssessHealth(record, HealthLimits{}).severity, Severity::Critical);
    }
}

// A device this PC could not even try is none of the device's fault.
TEST(FleetRun, NoDescriptorForADeviceIsThisPcsFailure) {
    // UBSan checks an object's dynamic type the first time through a pipe, which it cannot open while
    // descriptors are exhausted: reading a device that refuses (nothing listens there) checks every type.
    (void)ReadOnce({Loopback(41)}, Settings(std::chrono::milliseconds(3000)));
    CSignal stop;
    std::vector<DeviceRecord> records;
    {
        CDescriptorExhaustion exhaustion;
        // Nothing is sent: without descriptors no socket opens.
        (void)ReadFleetOnce({Loopback(40)}, Settings(std::chrono::milliseconds(3000)), stop,
                            [&records](const std::vector<DeviceRecord>& got) { records = got; });
    }
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].failure, "no socket");
    EXPECT_EQ(records[0].failureKind, FailureKind::LocalFailure);
    ASSERT_TRUE(records[0].ntp);
    EXPECT_EQ(records[0].ntp->failureKind, FailureKind::LocalFailure);
    EXPECT_EQ(AssessHealth(records[0], HealthLimits{}).severity, Severity::Unknown);
}

} // namespace
