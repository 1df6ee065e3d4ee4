// The Devices window's rows from the fleet's readings, and the table's order and filter over them.
#include "ui/DeviceRow.h"
#include "resources/StringTable.h"
#include "ui/DeviceOrder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// 2026-12-08 12:00:00 UTC.
constexpr std::int64_t kNow = 1796731200000000;
constexpr std::int64_t kSecond = 1000000;

DeviceRecord Healthy(const std::string& address) {
    DeviceRecord record;
    record.address = address;
    record.reachable = true;
    record.link = "shell";
    record.firmware = "2.4.1";
    record.deviceUnixMicros = kNow;
    record.offsetSeconds = 0.0021;
    record.roundTripSeconds = 0.001;
    record.gpsLocked = true;
    record.timeSynced = true;
    record.macAssigned = true;
    return record;
}

DeviceEntry Entry(const std::string& address, std::uint32_t value, std::optional<DeviceRecord> record = {}) {
    DeviceEntry entry;
    entry.address = address;
    entry.addressValue = value;
    if (record) {
        entry.health = AssessHealth(*record, HealthLimits{});
        entry.record = std::move(record);
        entry.readUtcMicros = kNow - 7 * kSecond;
    }
    return entry;
}

DeviceRow RowOf(const DeviceEntry& entry) {
    return MakeDeviceRow(entry, kNow, LoadStringResource);
}

TEST(DeviceRow, StateInWordsAndColour) {
    DeviceRecord refused = Healthy("127.0.0.1");
    refused.reachable = false;
    refused.failure = "connection refused";
    DeviceRecord noSocket = refused;
    noSocket.failureKind = FailureKind::LocalFailure;
    DeviceRecord offset = Healthy("127.0.0.1");
    offset.offsetSeconds = 2.5;
    DeviceRecord far = Healthy("127.0.0.1");
    far.offsetSeconds = 30;
    DeviceEntry reading = Entry("127.0.0.1", 1);
    reading.reading = true;
    const struct {
        DeviceEntry entry;
        DeviceState state;
        StateColour colour;
        const char* words;
    } cases[] = {
        {Entry("127.0.0.1", 1), DeviceState::NotRead, StateColour::Neutral, "not yet read"},
        {reading, DeviceState::Reading, StateColour::Busy, "reading"},
        {Entry("127.0.0.1", 1, Healthy("127.0.0.1")), DeviceState::Ok, StateColour::Good, "OK"},
        {Entry("127.0.0.1", 1, offset), DeviceState::Warning, StateColour::Caution, "warning"},
        {Entry("127.0.0.1", 1, far), DeviceState::Critical, StateColour::Alert, "critical"},
        {Entry("127.0.0.1", 1, refused), DeviceState::Unreachable, StateColour::Absent, "unreachable"},
        // This PC's fault says nothing of the device.
        {Entry("127.0.0.1", 1, noSocket), DeviceState::NotRead, StateColour::Neutral, "not yet read"},
    };
    for (const auto& testCase : cases) {
        const DeviceRow row = RowOf(testCase.entry);
        EXPECT_EQ(row.state, testCase.state) << testCase.words;
        EXPECT_EQ(row.colour, testCase.colour) << testCase.words;
        EXPECT_EQ(row.Cell(DeviceColumn::State), testCase.words);
    }
}

TEST(DeviceRow, CellsOfAReading) {
    DeviceRecord record = Healthy("127.0.0.1");
    record.gpsLocked = false;
    record.firmware = "2.4\x1b[31m";
    NtpResult ntp;
    ntp.answered = true;
    ntp.offsetSeconds = -0.0005;
    record.ntp = ntp;
    DeviceEntry entry = Entry("127.0.0.1", 1, record);
    entry.name = "Rack 4";
    entry.lastEvent = "GPS lock lost";
    entry.lastEventUtcMicros = kNow - 60 * kSecond;
    const DeviceRow row = RowOf(entry);
    EXPECT_EQ(row.Cell(DeviceColumn::Address), "127.0.0.1");
    EXPECT_EQ(row.Cell(DeviceColumn::Name), "Rack 4");
    EXPECT_EQ(row.Cell(DeviceColumn::GpsLock), "no lock");
    EXPECT_EQ(row.Cell(DeviceColumn::TimeSync), "synced");
    EXPECT_EQ(row.Cell(DeviceColumn::ClockOffset), "+0.002 s");
    EXPECT_EQ(row.Cell(DeviceColumn::NtpOffset), "-0.001 s");
    EXPECT_EQ(row.Cell(DeviceColumn::Firmware), "2.4\\x1b[31m");
    EXPECT_EQ(row.Cell(DeviceColumn::LastEvent), "GPS lock lost");
    EXPECT_FALSE(row.Cell(DeviceColumn::LastEventWhen).empty());
    EXPECT_EQ(row.Cell(DeviceColumn::Age), "7 s");
}

TEST(DeviceRow, AgeInTheLargestUnitReached) {
    DeviceEntry entry = Entry("127.0.0.1", 1, Healthy("127.0.0.1"));
    const struct {
        std::int64_t ago;
        const char* text;
    } cases[] = {{0, "0 s"}, {119 * kSecond, "119 s"}, {120 * kSecond, "2 min"}, {7200 * kSecond, "2 h"}};
    for (const auto& testCase : cases) {
        entry.readUtcMicros = kNow - testCase.ago;
        EXPECT_EQ(RowOf(entry).Cell(DeviceColumn::Age), testCase.text);
    }
}

class DeviceOrderTest : public testing::Test {
protected:
    void SetUp() override {
        DeviceRecord warned = Healthy("10.0.0.10");
        warned.offsetSeconds = -2;
        DeviceRecord refused = Healthy("10.0.0.9");
        refused.reachable = false;
        refused.offsetSeconds.reset();
        entries = {Entry("10.0.0.10", 0x0a00000a, warned), Entry("10.0.0.9", 0x0a000009, refused),
                   Entry("10.0.0.100", 0x0a000064, Healthy("10.0.0.100")), Entry("10.0.0.2", 0x0a000002)};
        entries[0].name = "beta";
        entries[2].name = "Alpha";
        for (const DeviceEntry& entry : entries) {
            rows.push_back(RowOf(entry));
        }
    }

    std::vector<std::string> Addresses(const DeviceSort& sort, const DeviceFilter& filter = {}) const {
        std::vector<std::string> addresses;
        for (const std::size_t index : OrderedRows(entries, rows, sort, filter)) {
            addresses.push_back(entries[index].address);
        }
        return addresses;
    }

    std::vector<DeviceEntry> entries;
    std::vector<DeviceRow> rows;
};

TEST_F(DeviceOrderTest, SortsEachKindOfColumnByItsValueWithTheUnknownLast) {
    using Order = std::vector<std::string>;
    EXPECT_EQ(Addresses({DeviceColumn::Address, true}),
              (Order{"10.0.0.2", "10.0.0.9", "10.0.0.10", "10.0.0.100"}));
    EXPECT_EQ(Addresses({DeviceColumn::Address, false}),
              (Order{"10.0.0.100", "10.0.0.10", "10.0.0.9", "10.0.0.2"}));
    EXPECT_EQ(Addresses({DeviceColumn::State, false}),
              (Order{"10.0.0.9", "10.0.0.10", "10.0.0.2", "10.0.0.100"}));
    EXPECT_EQ(Addresses({DeviceColumn::Name, true}),
              (Order{"10.0.0.100", "10.0.0.10", "10.0.0.2", "10.0.0.9"}));
    EXPECT_EQ(Addresses({DeviceColumn::ClockOffset, true}),
              (Order{"10.0.0.10", "10.0.0.100", "10.0.0.2", "10.0.0.9"}));
    EXPECT_EQ(Addresses({DeviceColumn::ClockOffset, false}),
              (Order{"10.0.0.100", "10.0.0.10", "10.0.0.2", "10.0.0.9"}));
}

TEST_F(DeviceOrderTest, FiltersByOneColumnOrAnyWithoutRegardToCase) {
    using Order = std::vector<std::string>;
    EXPECT_EQ(Addresses({}, {"ALPHA", std::nullopt}), (Order{"10.0.0.100"}));
    EXPECT_EQ(Addresses({}, {"10.0.0.1", DeviceColumn::Address}), (Order{"10.0.0.10", "10.0.0.100"}));
    EXPECT_EQ(Addresses({}, {"unreachable", DeviceColumn::State}), (Order{"10.0.0.9"}));
    EXPECT_EQ(Addresses({}, {"unreachable", DeviceColumn::Name}), Order{});
}

} // namespace
