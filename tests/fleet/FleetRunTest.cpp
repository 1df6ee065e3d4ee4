// How long a single run of the fleet may take, against silent simulated devices on 127.0.12.x.
#include "fleet/FleetRun.h"
#include "health/Health.h"

#include "tests/support/DescriptorExhaustion.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

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

// The devices that had the time a healthy device needs are timed out, as an unreachable device is; one
// the run never started is not read, which says nothing of it.
TEST(FleetRun, DeadlineReportsEveryUnfinishedDeviceAndEndsTheRun) {
    CSimProcess sim;
    ASSERT_TRUE(StartSilentDevices(sim, "127.0.12.2-127.0.12.4")) << sim.ErrorOutput();
    FleetSettings settings = Settings(std::chrono::milliseconds(6000));
    settings.parallel = 2;
    settings.deadline = std::chrono::milliseconds(1000);
    settings.shortestReading = std::chrono::milliseconds(500);
    const TimedRun run = ReadOnce({Loopback(2), Loopback(3), Loopback(4)}, settings);
    EXPECT_LT(run.seconds, 3.5);
    EXPECT_GE(run.seconds, 0.9);
    ASSERT_EQ(run.records.size(), 3u);
    for (std::size_t index = 0; index < 2; ++index) {
        const DeviceRecord& record = run.records[index];
        EXPECT_EQ(record.address, Loopback(static_cast<std::uint32_t>(index) + 2).text);
        EXPECT_EQ(record.failure, "no answer within the 1 s deadline");
        EXPECT_FALSE(record.interrupted);
        ASSERT_TRUE(record.ntp);
        EXPECT_EQ(record.ntp->failure, "no answer within the 1 s deadline");
        EXPECT_EQ(AssessHealth(record, HealthLimits{}).severity, Severity::Critical);
    }
    const DeviceRecord& never = run.records[2];
    EXPECT_EQ(never.address, Loopback(4).text);
    EXPECT_EQ(never.failure, "not read: the run's deadline came first");
    EXPECT_EQ(never.failureKind, FailureKind::NotRead);
    EXPECT_FALSE(never.ntp);
    EXPECT_EQ(AssessHealth(never, HealthLimits{}).severity, Severity::Unknown);
}

// The second device starts when the first times out, 0.8 s in: 0.7 s before the deadline, less than a
// healthy device needs (here 1 s). Whatever it has not done by then is not its fault.
TEST(FleetRun, ADeviceStartedTooLateToFinishIsNotRead) {
    CSimProcess sim;
    ASSERT_TRUE(StartSilentDevices(sim, "127.0.12.5-127.0.12.6")) << sim.ErrorOutput();
    FleetSettings settings = Settings(std::chrono::milliseconds(800));
    settings.parallel = 1;
    settings.deadline = std::chrono::milliseconds(1500);
    settings.shortestReading = std::chrono::milliseconds(1000);
    const TimedRun run = ReadOnce({Loopback(5), Loopback(6)}, settings);
    ASSERT_EQ(run.records.size(), 2u);
    EXPECT_EQ(run.records[0].failure, "no answer within 0.8 s");
    EXPECT_EQ(AssessHealth(run.records[0], HealthLimits{}).severity, Severity::Critical);
    const DeviceRecord& late = run.records[1];
    EXPECT_EQ(late.failure, "not read: the run's deadline came first");
    ASSERT_TRUE(late.ntp);
    EXPECT_EQ(late.ntp->failureKind, FailureKind::NotRead);
    EXPECT_EQ(AssessHealth(late, HealthLimits{}).severity, Severity::Unknown);
}

struct WatchCase {
    const char* name;
    std::uint32_t first; // the devices 127.0.12.first to 127.0.12.last
    std::uint32_t last;
    std::size_t parallel;
    bool secondTurn; // watch until a device is read again: in turns, its probe is a new one
};

class FleetWatchNtpTest : public ::testing::TestWithParam<WatchCase> {};

// Whether every device's NTP answer has come, and when asked, some device has been read again.
bool WatchedLongEnough(const std::vector<DeviceRecord>& records, std::vector<std::int64_t>& firstReadings,
                       bool secondTurn) {
    bool readAgain = false;
    bool allAnswered = true;
    for (std::size_t index = 0; index < records.size(); ++index) {
        const std::int64_t reading = records[index].deviceUnixMicros.value_or(0);
        firstReadings[index] = firstReadings[index] == 0 ? reading : firstReadings[index];
        readAgain = readAgain || (firstReadings[index] != 0 && reading != firstReadings[index]);
        allAnswered = allAnswered && records[index].ntp && records[index].ntp->answered;
    }
    return allAnswered && (readAgain || !secondTurn);
}

// However often a watch reports, kept connected or read in turns, a device's time service is asked at
// most every 16 s (SNTP clients must not poll more often than every 15 s): the reports in between show
// the last answer, with its age.
TEST_P(FleetWatchNtpTest, AsksEachDeviceAtMostEverySixteenSeconds) {
    const WatchCase& c = GetParam();
    const std::string addresses = Loopback(c.first).text + "-" + Loopback(c.last).text;
    CSimProcess sim;
    ASSERT_TRUE(
        sim.Start({"--address", addresses, "--telnet-port", "0", "--ntp-port", std::to_string(kNtpPort)}))
        << sim.ErrorOutput();
    std::vector<DeviceAddress> devices;
    for (std::uint32_t last = c.first; last <= c.last; ++last) {
        devices.push_back(Loopback(last));
    }
    FleetSettings settings = Settings(std::chrono::milliseconds(10000));
    settings.parallel = c.parallel;
    settings.watchInterval = std::chrono::milliseconds(100);
    CSignal stop;
    std::vector<DeviceRecord> latest;
    std::vector<std::int64_t> firstReadings(devices.size(), 0);
    // At least ten reports, each of which would have asked again.
    int reports = 0;
    WatchFleet(devices, settings, stop, [&](const std::vector<DeviceRecord>& records) {
        latest = records;
        if (++reports >= 10 && WatchedLongEnough(records, firstReadings, c.secondTurn)) {
            (void)stop.Set();
        }
    });
    const SimLog read = sim.ReadLog();
    const auto requests = std::count_if(read.lines.begin(), read.lines.end(), [](const SimLogLine& line) {
        return line.port == kNtpPort && line.text == "ntp request";
    });
    EXPECT_EQ(static_cast<std::size_t>(requests), devices.size());
    ASSERT_TRUE(latest.front().ntp && latest.front().ntp->ageSeconds);
    EXPECT_GT(*latest.front().ntp->ageSeconds, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Watches, FleetWatchNtpTest,
                         ::testing::Values(WatchCase{"KeptConnected", 7, 7, 64, false},
                                           WatchCase{"InTurns", 8, 9, 1, true}),
                         [](const ::testing::TestParamInfo<WatchCase>& info) {
                             return std::string(info.param.name);
                         });

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

// The threads of this process now.
int ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<int>(std::distance(begin(tasks), end(tasks)));
}

// A fleet is read on the thread that reads it: a device costs no thread, however many are in flight.
TEST(FleetRun, ReadsTwoHundredDevicesWithoutAThreadEach) {
    CSimProcess sim;
    ASSERT_TRUE(sim.Start({"--address", "127.0.137.1-127.0.137.200", "--telnet-port", "0", "--ntp-port",
                           std::to_string(kNtpPort)}))
        << sim.ErrorOutput();
    std::vector<DeviceAddress> devices;
    for (std::uint32_t last = 1; last <= 200; ++last) {
        devices.push_back({"127.0.137." + std::to_string(last), (127u << 24) | (137u << 8) | last});
    }
    FleetSettings settings = Settings(std::chrono::milliseconds(15000));
    settings.parallel = devices.size();
    const int before = ThreadCount();
    std::atomic<bool> read{false};
    std::atomic<int> most{0};
    std::thread sampler([&read, &most] {
        while (!read) {
            most = std::max(most.load(), ThreadCount());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const TimedRun run = ReadOnce(devices, settings);
    read = true;
    sampler.join();
    // The sampler, and a sanitizer's helper thread that the sampler's start may bring: a few, never one a
    // device.
    EXPECT_LE(most, before + 3);
    ASSERT_EQ(run.records.size(), devices.size());
    for (const DeviceRecord& record : run.records) {
        EXPECT_TRUE(record.reachable) << record.address << ": " << record.failure;
    }
}

} // namespace
