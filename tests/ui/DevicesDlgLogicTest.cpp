// The Devices window's logic through a fake window and a settings store in memory: the list kept across
// runs, added from typed ranges and a list file and removed, readings becoming rows, and many devices'
// alarms said together, their events in the journal.
#include "ui/DevicesDlgLogic.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "devicelog/Journal.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// 2026-12-08 12:00:00 UTC.
constexpr std::int64_t kNow = 1796731200000000;

class CMemoryStore : public CSettingsStore {
public:
    std::optional<std::string> Read(const std::string& name) const override {
        return values.contains(name) ? std::optional(values.at(name)) : std::nullopt;
    }
    void Write(const std::string& name, const std::string& value) override { values[name] = value; }

    std::map<std::string, std::string> values;
};

// A window that only remembers what the logic did to it.
class CFakeDevicesView : public CDevicesDlgView {
public:
    std::string ItemText(int id) const override { return texts.contains(id) ? texts.at(id) : std::string(); }
    void SetItemText(int id, const std::string& text) override { texts[id] = text; }
    void EnableItem(int id, bool enabled) override { this->enabled[id] = enabled; }
    void FocusItem(int) override {}
    void AddChoice(int comboId, const std::string& text) override { choices[comboId].push_back(text); }
    void SelectChoice(int comboId, std::size_t index) override { chosen[comboId] = index; }
    std::optional<std::size_t> SelectedChoice(int comboId) const override {
        return chosen.contains(comboId) ? std::optional(chosen.at(comboId)) : std::nullopt;
    }
    void SetColumns(const std::vector<std::string>& titles) override { columns = titles; }
    void ResetRows() override {
        ++resets;
        selected.clear();
    }
    void UpdateRows(std::size_t, std::size_t) override { ++updates; }
    void ShowSort(DeviceColumn, bool) override {}
    std::vector<std::size_t> SelectedRows() const override { return selected; }
    void SelectRows(const std::vector<std::size_t>& rows) override { selected = rows; }
    std::optional<std::string> AskFileToOpen(const std::string&) override { return file; }
    std::vector<std::string> FindDevices() override { return found; }
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageKind kind) override {
        messages.push_back(text);
        return kind == MessageKind::Confirm ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void StartTimer(int timerId, int) override { timers[timerId] = true; }
    void StopTimer(int timerId) override { timers[timerId] = false; }
    void RaiseAlarm(const Alarm& alarm) override { alarms.push_back(alarm.summary); }
    void WithdrawAlarm(const Alarm&) override {}
    void ConnectMainWindow(const std::string& address) override { connected = address; }
    void HideWindow() override {}

    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    std::map<int, std::vector<std::string>> choices;
    std::map<int, std::size_t> chosen;
    std::vector<std::string> columns;
    std::vector<std::size_t> selected;
    std::optional<std::string> file;
    std::vector<std::string> found;
    std::vector<std::string> messages;
    std::map<int, bool> timers;
    std::vector<std::string> alarms;
    std::string connected;
    int resets = 0;
    int updates = 0;
};

DeviceRecord Reading(const std::string& address, bool gpsLocked) {
    DeviceRecord record;
    record.address = address;
    record.reachable = true;
    record.link = "shell";
    record.firmware = "2.4.1";
    record.deviceUnixMicros = kNow;
    record.offsetSeconds = 0.002;
    record.roundTripSeconds = 0.001;
    record.gpsLocked = gpsLocked;
    record.timeSynced = true;
    record.macAssigned = true;
    return record;
}

class DevicesDlgLogicTest : public testing::Test {
protected:
    std::unique_ptr<CDevicesDlgLogic> Open(std::optional<std::string> journalPath = std::nullopt) {
        DevicesEnvironment environment;
        environment.utcNow = [this] { return utcNow; };
        environment.now = [this] { return now; };
        environment.journalPath = std::move(journalPath);
        environment.readDevices = false;
        auto logic = std::make_unique<CDevicesDlgLogic>(view, store, LoadStringResource, PostStateReport(),
                                                        environment);
        logic->Start();
        logic->OnInitDialog();
        return logic;
    }

    void Add(CDevicesDlgLogic& logic, const std::string& typed) {
        view.texts[IDC_DEVICES_ADD_BOX] = typed;
        logic.OnAdd();
    }

    static std::vector<std::string> Addresses(const CDevicesDlgLogic& logic) {
        std::vector<std::string> addresses;
        for (std::size_t row = 0; row < logic.RowCount(); ++row) {
            addresses.push_back(logic.Row(row).Cell(DeviceColumn::Address));
        }
        return addresses;
    }

    void ReadAll(CDevicesDlgLogic& logic, const std::vector<std::string>& addresses, bool gpsLocked) {
        FleetNews news;
        for (const std::string& address : addresses) {
            news.readings.push_back(WatchedReading{Reading(address, gpsLocked), utcNow});
        }
        logic.OnNews(std::move(news));
    }

    CFakeDevicesView view;
    CMemoryStore store;
    std::int64_t utcNow = kNow;
    DevicesEnvironment::Clock::time_point now{std::chrono::hours(1)};
};

TEST_F(DevicesDlgLogicTest, TheListItsNamesAndTheIntervalAreKeptAcrossRuns) {
    {
        const auto logic = Open();
        Add(*logic, "127.0.93.12-13 127.0.93.3");
        EXPECT_TRUE(view.texts[IDC_DEVICES_ADD_BOX].empty());
        view.selected = {1};
        view.texts[IDC_DEVICES_NAME] = "Rack 4";
        logic->OnSetName();
        view.texts[IDC_DEVICES_INTERVAL] = "30";
        logic->OnIntervalChanged();
        view.texts[IDC_DEVICES_INTERVAL] = "0";
        logic->OnIntervalChanged();
        EXPECT_EQ(view.messages.size(), 1u);
        EXPECT_EQ(view.texts[IDC_DEVICES_INTERVAL], "30");
    }
    const auto logic = Open();
    EXPECT_EQ(Addresses(*logic), (std::vector<std::string>{"127.0.93.3", "127.0.93.12", "127.0.93.13"}));
    EXPECT_EQ(logic->Row(1).Cell(DeviceColumn::Name), "Rack 4");
    EXPECT_EQ(logic->IntervalSeconds(), 30);
    EXPECT_EQ(view.texts[IDC_DEVICES_SUMMARY],
              "3 devices: 0 OK, 0 warning, 0 critical, 0 unreachable, 3 not read yet");
}

TEST_F(DevicesDlgLogicTest, DevicesComeFromAFileAndTheFindDialogAndGoOneByOneOrAll) {
    const std::string folder = MakeTemporaryFolder("vantrex-devices-");
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "/devices.txt";
    std::ofstream(path) << "# the lab\r\n127.0.93.21\r\n\r\n127.0.93.20\r\n";
    const auto logic = Open();
    view.file = path;
    logic->OnAddFromFile();
    view.found = {"127.0.93.22", "127.0.93.20"};
    logic->OnAddFound();
    EXPECT_EQ(Addresses(*logic), (std::vector<std::string>{"127.0.93.20", "127.0.93.21", "127.0.93.22"}));
    view.file = folder + "/missing.txt";
    logic->OnAddFromFile();
    EXPECT_EQ(view.messages.size(), 1u);

    view.selected = {0, 2};
    logic->OnRemove();
    EXPECT_EQ(Addresses(*logic), (std::vector<std::string>{"127.0.93.21"}));
    logic->OnRemoveAll();
    EXPECT_EQ(logic->RowCount(), 0u);
    EXPECT_EQ(store.values[kDevicesSetting], "");
    std::filesystem::remove_all(folder);
}

TEST_F(DevicesDlgLogicTest, ReadingsBecomeRowsSortedByStateAndEnterConnectsTheMainWindow) {
    const auto logic = Open();
    Add(*logic, "127.0.93.30-33");
    FleetNews started;
    started.started = {0x7f005d1e};
    logic->OnNews(std::move(started));
    EXPECT_EQ(logic->Row(0).Cell(DeviceColumn::State), "reading");
    ReadAll(*logic, {"127.0.93.31"}, false);
    logic->OnSortBy(DeviceColumn::State);
    logic->OnSortBy(DeviceColumn::State);
    const std::vector<std::string> worstFirst = {"127.0.93.31", "127.0.93.30", "127.0.93.32", "127.0.93.33"};
    EXPECT_EQ(Addresses(*logic), worstFirst);
    // The keyboard's way: the drop-down shows the order, and choosing in it sorts as a title's click does.
    const std::size_t stateDescending = static_cast<std::size_t>(DeviceColumn::State) * 2 + 1;
    EXPECT_EQ(view.chosen[IDC_DEVICES_SORT], stateDescending);
    view.chosen[IDC_DEVICES_SORT] = 0;
    logic->OnSortChosen();
    EXPECT_EQ(Addresses(*logic).front(), "127.0.93.30");
    view.chosen[IDC_DEVICES_SORT] = stateDescending;
    logic->OnSortChosen();
    EXPECT_EQ(Addresses(*logic), worstFirst);
    EXPECT_EQ(logic->Row(0).state, DeviceState::Warning);
    logic->OnActivated(0);
    EXPECT_EQ(view.connected, "127.0.93.31");
}

TEST_F(DevicesDlgLogicTest, ManyDevicesLosingGpsAtOnceAreOneAlarmAndEachDevicesEventsAreJournalled) {
    const std::string folder = MakeTemporaryFolder("vantrex-devices-");
    ASSERT_FALSE(folder.empty());
    const auto logic = Open(folder + "/journal.jsonl");
    Add(*logic, "127.0.93.40-43");
    const std::vector<std::string> all = {"127.0.93.40", "127.0.93.41", "127.0.93.42", "127.0.93.43"};
    ReadAll(*logic, all, true);
    now += std::chrono::seconds(10);
    utcNow += 10000000;
    ReadAll(*logic, {"127.0.93.40", "127.0.93.41", "127.0.93.42"}, false);
    // Gathered first: the rest of the moment may come in the next news.
    EXPECT_TRUE(view.alarms.empty());
    EXPECT_TRUE(view.timers[kDevicesAlarmTimer]);
    now += kAlarmGatherSpan;
    logic->OnTimer(kDevicesAlarmTimer);
    EXPECT_EQ(view.alarms, (std::vector<std::string>{"3 devices: GPS lock lost"}));
    EXPECT_FALSE(view.timers[kDevicesAlarmTimer]);
    EXPECT_EQ(logic->Row(0).Cell(DeviceColumn::LastEvent), "GPS lock lost");

    const JournalContents journal = CJournal(folder + "/journal.jsonl").ReadBack("127.0.93.41");
    ASSERT_FALSE(journal.events.empty());
    EXPECT_EQ(journal.events.back().code, "gps-lock-lost");
    std::filesystem::remove_all(folder);
}

} // namespace
