#include "AlarmGroups.h"

#include "resources/resource.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

namespace {

// The most addresses a grouped alarm's body lists; the count says how many there are.
constexpr std::size_t kListedInBody = 20;

// What an alarm says without its device: the pacer's summary is the device, then these words.
std::string WordsAfterDevice(const Alarm& alarm, const StringLookup& strings) {
    const std::string& summary = alarm.shortSummary.empty() ? alarm.summary : alarm.shortSummary;
    const std::string prefix = FillIn(strings(IDS_ALARM_DEVICE), {alarm.device, std::string()});
    return summary.starts_with(prefix) ? summary.substr(prefix.size()) : summary;
}

using GroupKey = std::tuple<TransitionSubject, AlarmKind, std::string>;

Alarm Grouped(const std::vector<const Alarm*>& members, const std::string& words,
              const StringLookup& strings) {
    Alarm alarm;
    alarm.device = kGroupedAlarmDevice;
    alarm.subject = members.front()->subject;
    alarm.kind = members.front()->kind;
    alarm.summary = FillIn(strings(IDS_DEVICES_GROUPED), {std::to_string(members.size()), words});
    alarm.shortSummary = alarm.summary;
    for (std::size_t index = 0; index < members.size() && index < kListedInBody; ++index) {
        alarm.body += (index == 0 ? "" : ", ") + members[index]->device;
    }
    if (members.size() > kListedInBody) {
        alarm.body += ", ...";
    }
    const bool critical = std::any_of(members.begin(), members.end(), [](const Alarm* member) {
        return member->urgency == AlarmUrgency::Critical;
    });
    alarm.urgency = critical ? AlarmUrgency::Critical : AlarmUrgency::Normal;
    return alarm;
}

} // namespace

std::vector<Alarm> GroupAlarms(const std::vector<Alarm>& alarms, const StringLookup& strings) {
    std::map<GroupKey, std::vector<const Alarm*>> groups;
    for (const Alarm& alarm : alarms) {
        if (alarm.kind != AlarmKind::Withdrawal) {
            groups[{alarm.subject, alarm.kind, WordsAfterDevice(alarm, strings)}].push_back(&alarm);
        }
    }
    std::vector<Alarm> said;
    for (const Alarm& alarm : alarms) {
        if (alarm.kind == AlarmKind::Withdrawal) {
            said.push_back(alarm);
            continue;
        }
        const GroupKey key{alarm.subject, alarm.kind, WordsAfterDevice(alarm, strings)};
        const std::vector<const Alarm*>& members = groups[key];
        if (members.size() < kGroupedFrom) {
            said.push_back(alarm);
        } else if (members.front() == &alarm) {
            said.push_back(Grouped(members, std::get<2>(key), strings));
        }
    }
    return said;
}
