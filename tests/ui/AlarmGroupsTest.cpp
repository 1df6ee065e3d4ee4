// Many devices' same news at one moment, said in one alarm.
#include "ui/AlarmGroups.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Alarm GpsLost(const std::string& device) {
    return Alarm{.device = device,
                 .subject = {TransitionSubject::Topic::GpsLock},
                 .kind = AlarmKind::Loss,
                 .summary = device + ": GPS lock lost",
                 .shortSummary = {},
                 .body = "The device's receiver reports no GPS lock.",
                 .urgency = AlarmUrgency::Critical};
}

std::vector<std::string> Summaries(const std::vector<Alarm>& alarms) {
    std::vector<std::string> summaries;
    for (const Alarm& alarm : alarms) {
        summaries.push_back(alarm.kind == AlarmKind::Withdrawal ? "withdraw " + alarm.device : alarm.summary);
    }
    return summaries;
}

TEST(AlarmGroups, TheSameNewsOfManyDevicesIsOneAlarmWhereItsFirstStood) {
    Alarm synced = GpsLost("127.0.0.4");
    synced.subject.topic = TransitionSubject::Topic::TimeSync;
    synced.summary = "127.0.0.4: Time sync lost";
    Alarm counted = GpsLost("127.0.0.3");
    counted.shortSummary = counted.summary;
    counted.summary = "127.0.0.3: GPS lock lost (3 changes in the last minute)";
    Alarm withdrawal = GpsLost("127.0.0.5");
    withdrawal.kind = AlarmKind::Withdrawal;
    const std::vector<Alarm> said = GroupAlarms(
        {synced, GpsLost("127.0.0.1"), withdrawal, GpsLost("127.0.0.2"), counted}, LoadStringResource);
    EXPECT_EQ(Summaries(said), (std::vector<std::string>{"127.0.0.4: Time sync lost",
                                                         "3 devices: GPS lock lost", "withdraw 127.0.0.5"}));
    const Alarm& group = said[1];
    EXPECT_EQ(group.device, kGroupedAlarmDevice);
    EXPECT_EQ(group.body, "127.0.0.1, 127.0.0.2, 127.0.0.3");
    EXPECT_EQ(group.urgency, AlarmUrgency::Critical);
}

TEST(AlarmGroups, FewerDevicesThanAGroupAreSaidEachAlone) {
    Alarm regained = GpsLost("127.0.0.3");
    regained.kind = AlarmKind::Recovery;
    regained.summary = "127.0.0.3: GPS lock regained";
    const std::vector<Alarm> alarms = {GpsLost("127.0.0.1"), GpsLost("127.0.0.2"), regained};
    EXPECT_EQ(Summaries(GroupAlarms(alarms, LoadStringResource)), Summaries(alarms));
}

} // namespace
