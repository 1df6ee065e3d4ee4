#pragma once

#include "AlarmGroups.h"
#include "DeviceListText.h"
#include "DeviceOrder.h"
#include "DeviceRow.h"
#include "DevicesDlgView.h"
#include "FleetEvents.h"
#include "FleetWatch.h"
#include "SettingsStore.h"
#include "resources/StringLookup.h"

#include "fleet/Fleet.h"
#include "runtime/StateRelay.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// The view's timers (CDevicesDlgView::StartTimer).
inline constexpr int kDevicesAgeTimer = 1;   // the ages of the readings, once a second
inline constexpr int kDevicesAlarmTimer = 2; // held alarms and gathered ones
inline constexpr int kDevicesAlarmTimerMs = 250;

// The reading interval: default, and the range the user may set (seconds).
inline constexpr int kDefaultDevicesInterval = 10;
inline constexpr int kShortestDevicesInterval = 1;
inline constexpr int kLongestDevicesInterval = 3600;

// Alarms of readings that end within this span of the first are said together, so that many devices
// changing at once make one alarm.
inline constexpr std::chrono::milliseconds kAlarmGatherSpan{1500};

// Where the Devices window's logic reads its clocks, keeps its journal and how it reads devices; tests
// replace what they need.
struct DevicesEnvironment {
    using Clock = std::chrono::steady_clock;

    std::function<std::int64_t()> utcNow;   // this PC's clock, microseconds since 1970 UTC
    std::function<Clock::time_point()> now; // the steady clock, for the alarms' pace
    std::optional<std::string> journalPath; // the user's journal; none keeps none
    // The fleet's settings but for the interval, which is the user's; parallel and sockets within this
    // process's descriptors.
    FleetSettings fleet;
    // Whether the devices are read at all: the tests of the table read none and hand it readings.
    bool readDevices = true;
};

// The environment of the running program: its clocks, the user's journal, and the fleet within this
// process's descriptors.
DevicesEnvironment ProgramDevicesEnvironment();

// What the Devices window does, without a display: the list of devices, kept across runs in a settings
// store; each device read on its own schedule by one fleet on one thread; the table of their rows,
// sorted and filtered; their alarms, paced and grouped, through the window's alarm path; their events in
// the journal; and the device to connect the main window to. It acts on the window only through a
// CDevicesDlgView; the front end turns the window's events into the handlers below, all on the window
// thread.
class CDevicesDlgLogic {
public:
    // post carries the fleet's news from its thread to the window thread, where the front end hands it
    // to OnFleetNews (the worker it names is Fleet()); store and view outlive the logic.
    CDevicesDlgLogic(CDevicesDlgView& view, CSettingsStore& store, StringLookup strings, PostStateReport post,
                     DevicesEnvironment environment);
    ~CDevicesDlgLogic();
    CDevicesDlgLogic(const CDevicesDlgLogic&) = delete;
    CDevicesDlgLogic& operator=(const CDevicesDlgLogic&) = delete;

    // Reads the kept list and starts reading it; the window need not be shown for the devices to be
    // watched (the main window starts it with the program).
    void Start();
    // Sets the window's start texts, columns and choices; call when the window is first built.
    void OnInitDialog();

    // The Add button, or Enter in the add box: the addresses and ranges typed there.
    void OnAdd();
    // "Add from file…": a list file in the status program's format.
    void OnAddFromFile();
    // "Add found…": the devices the Find dialog finds.
    void OnAddFound();
    // Remove (or Delete in the table): the selected rows.
    void OnRemove();
    // Remove all, after the user agreed.
    void OnRemoveAll();
    // Set name: the name box's text becomes the selected devices' name (empty: none).
    void OnSetName();
    // The reading interval box was changed (Enter or leaving it).
    void OnIntervalChanged();
    // The filter box or its column choice changed.
    void OnFilterChanged();
    // A click on a column's title (or its keyboard equivalent): sorts by it, the second time the other way.
    void OnSortBy(DeviceColumn column);
    // A choice of the sort drop-down (IDC_DEVICES_SORT: each column ascending, then descending), for the
    // keyboard.
    void OnSortChosen();
    // A double-click or Enter on row: the main window connects to its device.
    void OnActivated(std::size_t row);
    // The selection changed: the name box shows the selected device's name.
    void OnSelectionChanged();
    // The window's close: it hides and the devices go on being watched.
    void OnClose();
    // A timer of the view fired.
    void OnTimer(int timerId);
    // The fleet's thread posted news.
    void OnFleetNews();

    // Whether alarms reach the user (the main window's "Notify me of problems"); the journal takes the
    // events either way.
    void SetAlarmsOn(bool on);

    // Readings handed in directly (the fleet's, or a test's).
    void OnNews(FleetNews news);

    // The table as it stands: its rows top to bottom.
    std::size_t RowCount() const { return m_order.size(); }
    const DeviceRow& Row(std::size_t row) const;
    // The device of a row.
    const DeviceEntry& Entry(std::size_t row) const;
    // Every listed device, in the order added.
    const std::vector<DeviceEntry>& Devices() const { return m_entries; }
    const DeviceSort& Sort() const { return m_sort; }
    int IntervalSeconds() const { return m_intervalSeconds; }
    // The fleet's worker, whose posts the front end hands to OnFleetNews.
    const CWorkerThread* Fleet() const { return m_fleet.get(); }

    // The list grows by devices (each once; those listed already keep their names); false, with a message
    // box, when it would grow beyond kMostListedDevices.
    bool AddDevices(const std::vector<DeviceAddress>& devices);

private:
    void Load();
    void Save() const;
    void Relist();
    void Reorder();
    void RefreshSummary();
    void ShowSort();
    void ShowError(const std::string& text);
    std::vector<std::size_t> SelectedEntries() const;
    void SelectEntries(const std::vector<std::size_t>& entries);
    void TakeReading(const WatchedReading& reading, DeviceEntry& entry);
    void Gather(std::vector<Alarm> alarms);
    void SayGathered();
    void ArmAlarmTimer();

    CDevicesDlgView& m_view;
    CSettingsStore& m_store;
    StringLookup m_strings;
    DevicesEnvironment m_environment;
    CFleetEvents m_events;
    std::vector<DeviceEntry> m_entries;
    std::vector<DeviceRow> m_rows;                        // by entry
    std::vector<std::size_t> m_order;                     // the table's rows: indexes into m_entries
    std::unordered_map<std::string, std::size_t> m_index; // entries by address
    DeviceSort m_sort;
    DeviceFilter m_filter;
    int m_intervalSeconds = kDefaultDevicesInterval;
    bool m_initialised = false;
    std::vector<Alarm> m_gathered;
    std::optional<DevicesEnvironment::Clock::time_point> m_gatheredSince;
    bool m_alarmTimerRuns = false;
    bool m_alarmsOn = true;
    // Last: its thread posts to the window, so it stops first.
    std::unique_ptr<CFleetWatch> m_fleet;
};
