#include "DevicesDlgLogic.h"

#include "resources/resource.h"

#include "connect/DottedAddress.h"
#include "fleet/DescriptorBudget.h"
#include "runtime/DescriptorLimit.h"
#include "runtime/RealTimeClock.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace {

constexpr int kAgeTimerMs = 1000;

// The texts the window's controls start with.
constexpr std::pair<int, int> kControlTexts[] = {
    {IDC_DEVICES_ADD_LABEL, IDS_DEVICES_ADD_LABEL},
    {IDC_DEVICES_ADD, IDS_DEVICES_ADD},
    {IDC_DEVICES_ADD_FILE, IDS_DEVICES_ADD_FILE},
    {IDC_DEVICES_ADD_FOUND, IDS_DEVICES_ADD_FOUND},
    {IDC_DEVICES_REMOVE, IDS_DEVICES_REMOVE},
    {IDC_DEVICES_REMOVE_ALL, IDS_DEVICES_REMOVE_ALL},
    {IDC_DEVICES_FILTER_LABEL, IDS_DEVICES_FILTER_LABEL},
    {IDC_DEVICES_INTERVAL_LABEL, IDS_DEVICES_INTERVAL_LABEL},
    {IDC_DEVICES_NAME_LABEL, IDS_DEVICES_NAME_LABEL},
    {IDC_DEVICES_SET_NAME, IDS_DEVICES_SET_NAME},
    {IDC_DEVICES_CLOSE, IDS_DEVICES_CLOSE},
    {IDC_DEVICES_SORT_LABEL, IDS_DEVICES_SORT_LABEL},
};

std::size_t SortChoice(const DeviceSort& sort) {
    return static_cast<std::size_t>(sort.column) * 2 + (sort.ascending ? 0 : 1);
}

std::optional<int> WholeNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<DeviceAddress> FoundDevice(const std::string& address) {
    std::string refusal;
    const std::optional<Octets> octets = ParseDeviceAddress(address, refusal);
    if (!octets) {
        return std::nullopt;
    }
    return DeviceAddress{FormatDottedAddress(*octets), AddressValue(*octets)};
}

} // namespace

DevicesEnvironment ProgramDevicesEnvironment() {
    DevicesEnvironment environment;
    environment.utcNow = RealTimeMicros;
    environment.now = [] { return DevicesEnvironment::Clock::now(); };
    std::string warning;
    environment.journalPath = UserJournalPath(warning);
    const std::optional<std::uint64_t> limit = RaiseDescriptorLimit();
    environment.fleet.parallel = DevicesWithinDescriptorLimit(kMostListedDevices, limit);
    environment.fleet.sockets = SocketsWithinDescriptorLimit(limit);
    return environment;
}

CDevicesDlgLogic::CDevicesDlgLogic(CDevicesDlgView& view, CSettingsStore& store, StringLookup strings,
                                   PostStateReport post, DevicesEnvironment environment)
    : m_view(view), m_store(store), m_strings(strings), m_environment(std::move(environment)),
      m_events(std::move(strings), m_environment.journalPath) {
    if (m_environment.readDevices) {
        m_fleet = std::make_unique<CFleetWatch>(std::move(post), m_environment.utcNow);
    }
}

CDevicesDlgLogic::~CDevicesDlgLogic() = default;

void CDevicesDlgLogic::Start() {
    Load();
    Relist();
    Reorder();
    m_view.StartTimer(kDevicesAgeTimer, kAgeTimerMs);
}

void CDevicesDlgLogic::OnInitDialog() {
    m_view.SetItemText(IDD_DEVICES, m_strings(IDS_DEVICES_TITLE));
    for (const auto& [id, text] : kControlTexts) {
        m_view.SetItemText(id, m_strings(text));
    }
    const std::array<std::string, kDeviceColumnCount> titles = DeviceColumnTitles(m_strings);
    m_view.SetColumns(std::vector<std::string>(titles.begin(), titles.end()));
    m_view.AddChoice(IDC_DEVICES_FILTER_COLUMN, m_strings(IDS_DEVICES_FILTER_ALL_COLUMNS));
    for (const std::string& title : titles) {
        m_view.AddChoice(IDC_DEVICES_FILTER_COLUMN, title);
    }
    m_view.SelectChoice(IDC_DEVICES_FILTER_COLUMN, 0);
    for (const std::string& title : titles) {
        m_view.AddChoice(IDC_DEVICES_SORT, FillIn(m_strings(IDS_DEVICES_SORT_UP), {title}));
        m_view.AddChoice(IDC_DEVICES_SORT, FillIn(m_strings(IDS_DEVICES_SORT_DOWN), {title}));
    }
    m_view.SetItemText(IDC_DEVICES_INTERVAL, std::to_string(m_intervalSeconds));
    m_initialised = true;
    ShowSort();
    m_view.ResetRows();
    OnSelectionChanged();
    RefreshSummary();
}

void CDevicesDlgLogic::Load() {
    m_entries.clear();
    if (const std::optional<std::string> kept = m_store.Read(kDevicesSetting)) {
        for (const KeptDevice& device : ReadKeptDevices(*kept)) {
            const std::optional<DeviceAddress> address = FoundDevice(device.address);
            DeviceEntry entry;
            entry.address = address->text;
            entry.addressValue = address->value;
            entry.name = device.name;
            m_entries.push_back(std::move(entry));
        }
    }
    if (const std::optional<std::string> interval = m_store.Read(kDevicesIntervalSetting)) {
        const std::optional<int> seconds = WholeNumber(*interval);
        if (seconds && *seconds >= kShortestDevicesInterval && *seconds <= kLongestDevicesInterval) {
            m_intervalSeconds = *seconds;
        }
    }
    m_rows.clear();
    const std::int64_t now = m_environment.utcNow();
    for (const DeviceEntry& entry : m_entries) {
        m_rows.push_back(MakeDeviceRow(entry, now, m_strings));
    }
}

void CDevicesDlgLogic::Save() const {
    std::vector<KeptDevice> kept;
    kept.reserve(m_entries.size());
    for (const DeviceEntry& entry : m_entries) {
        kept.push_back(KeptDevice{entry.address, entry.name});
    }
    m_store.Write(kDevicesSetting, KeptDevicesText(kept));
    m_store.Write(kDevicesIntervalSetting, std::to_string(m_intervalSeconds));
}

// The fleet reads the list as it stands now, and the index follows it.
void CDevicesDlgLogic::Relist() {
    m_index.clear();
    std::vector<DeviceAddress> devices;
    devices.reserve(m_entries.size());
    for (std::size_t index = 0; index < m_entries.size(); ++index) {
        m_index[m_entries[index].address] = index;
        devices.push_back(DeviceAddress{m_entries[index].address, m_entries[index].addressValue});
    }
    // An empty list needs no thread until it has a device.
    if (m_fleet && (m_fleet->IsStarted() || !devices.empty())) {
        FleetSettings settings = m_environment.fleet;
        settings.watchInterval = std::chrono::seconds(m_intervalSeconds);
        (void)m_fleet->Watch(std::move(devices), settings);
    }
}

// The table's order after a change: rows that stay where they were are only read again; a new order is
// read whole, keeping the devices selected.
void CDevicesDlgLogic::Reorder() {
    const std::vector<std::size_t> selected = m_initialised ? SelectedEntries() : std::vector<std::size_t>();
    std::vector<std::size_t> order = OrderedRows(m_entries, m_rows, m_sort, m_filter);
    if (order == m_order) {
        if (m_initialised && !m_order.empty()) {
            m_view.UpdateRows(0, m_order.size() - 1);
        }
    } else {
        m_order = std::move(order);
        if (m_initialised) {
            m_view.ResetRows();
            SelectEntries(selected);
        }
    }
    RefreshSummary();
}

void CDevicesDlgLogic::RefreshSummary() {
    if (!m_initialised) {
        return;
    }
    std::array<std::size_t, 6> counts{};
    for (const DeviceRow& row : m_rows) {
        ++counts[static_cast<std::size_t>(row.state)];
    }
    const auto count = [&counts](DeviceState state) {
        return std::to_string(counts[static_cast<std::size_t>(state)]);
    };
    const std::size_t notRead = counts[static_cast<std::size_t>(DeviceState::NotRead)] +
                                counts[static_cast<std::size_t>(DeviceState::Reading)];
    m_view.SetItemText(
        IDC_DEVICES_SUMMARY,
        FillIn(m_strings(IDS_DEVICES_SUMMARY),
               {std::to_string(m_entries.size()), count(DeviceState::Ok), count(DeviceState::Warning),
                count(DeviceState::Critical), count(DeviceState::Unreachable), std::to_string(notRead)}));
}

const DeviceRow& CDevicesDlgLogic::Row(std::size_t row) const {
    return m_rows[m_order.at(row)];
}

const DeviceEntry& CDevicesDlgLogic::Entry(std::size_t row) const {
    return m_entries[m_order.at(row)];
}

std::vector<std::size_t> CDevicesDlgLogic::SelectedEntries() const {
    std::vector<std::size_t> entries;
    for (const std::size_t row : m_view.SelectedRows()) {
        if (row < m_order.size()) {
            entries.push_back(m_order[row]);
        }
    }
    return entries;
}

void CDevicesDlgLogic::SelectEntries(const std::vector<std::size_t>& entries) {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < m_order.size(); ++row) {
        if (std::find(entries.begin(), entries.end(), m_order[row]) != entries.end()) {
            rows.push_back(row);
        }
    }
    m_view.SelectRows(rows);
}

void CDevicesDlgLogic::ShowError(const std::string& text) {
    m_view.ShowMessage(text, m_strings(IDS_ERROR), MessageKind::Error);
}

bool CDevicesDlgLogic::AddDevices(const std::vector<DeviceAddress>& devices) {
    std::vector<const DeviceAddress*> added;
    for (const DeviceAddress& device : devices) {
        if (!m_index.contains(device.text)) {
            added.push_back(&device);
        }
    }
    if (m_entries.size() + added.size() > kMostListedDevices) {
        ShowError(FillIn(m_strings(IDS_DEVICES_TOO_MANY), {std::to_string(kMostListedDevices)}));
        return false;
    }
    const std::int64_t now = m_environment.utcNow();
    for (const DeviceAddress* device : added) {
        DeviceEntry entry;
        entry.address = device->text;
        entry.addressValue = device->value;
        m_index[entry.address] = m_entries.size();
        m_rows.push_back(MakeDeviceRow(entry, now, m_strings));
        m_entries.push_back(std::move(entry));
    }
    if (!added.empty()) {
        Save();
        Relist();
        Reorder();
    }
    return true;
}

void CDevicesDlgLogic::OnAdd() {
    std::string refusal;
    const std::optional<std::vector<DeviceAddress>> devices =
        TypedDevices(m_view.ItemText(IDC_DEVICES_ADD_BOX), refusal);
    if (!devices) {
        ShowError(refusal);
        m_view.FocusItem(IDC_DEVICES_ADD_BOX);
        return;
    }
    if (AddDevices(*devices)) {
        m_view.SetItemText(IDC_DEVICES_ADD_BOX, std::string());
    }
}

void CDevicesDlgLogic::OnAddFromFile() {
    const std::optional<std::string> path = m_view.AskFileToOpen(m_strings(IDS_DEVICES_OPEN_CAPTION));
    if (!path) {
        return;
    }
    std::string message;
    const std::optional<std::vector<DeviceAddress>> devices = ReadDeviceFile(*path, message);
    if (!devices) {
        ShowError(message);
        return;
    }
    (void)AddDevices(*devices);
}

void CDevicesDlgLogic::OnAddFound() {
    std::vector<DeviceAddress> devices;
    for (const std::string& address : m_view.FindDevices()) {
        if (std::optional<DeviceAddress> device = FoundDevice(address)) {
            devices.push_back(std::move(*device));
        }
    }
    (void)AddDevices(devices);
}

void CDevicesDlgLogic::OnRemove() {
    std::vector<std::size_t> selected = SelectedEntries();
    if (selected.empty()) {
        return;
    }
    std::sort(selected.rbegin(), selected.rend());
    for (const std::size_t index : selected) {
        m_events.Forget(m_entries[index].address);
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    }
    m_order.clear();
    Save();
    Relist();
    Reorder();
    OnSelectionChanged();
}

void CDevicesDlgLogic::OnRemoveAll() {
    if (m_entries.empty()) {
        return;
    }
    const std::string question =
        FillIn(m_strings(IDS_DEVICES_REMOVE_ALL_CONFIRM), {std::to_string(m_entries.size())});
    if (m_view.ShowMessage(question, m_strings(IDS_DEVICES_TITLE), MessageKind::Confirm) !=
        MessageAnswer::Yes) {
        return;
    }
    for (const DeviceEntry& entry : m_entries) {
        m_events.Forget(entry.address);
    }
    m_entries.clear();
    m_rows.clear();
    m_order.clear();
    Save();
    Relist();
    if (m_initialised) {
        m_view.ResetRows();
    }
    RefreshSummary();
    OnSelectionChanged();
}

void CDevicesDlgLogic::OnSetName() {
    const std::string name = DeviceName(m_view.ItemText(IDC_DEVICES_NAME));
    const std::vector<std::size_t> selected = SelectedEntries();
    if (selected.empty()) {
        return;
    }
    const std::int64_t now = m_environment.utcNow();
    for (const std::size_t index : selected) {
        m_entries[index].name = name;
        m_rows[index] = MakeDeviceRow(m_entries[index], now, m_strings);
    }
    Save();
    Reorder();
}

void CDevicesDlgLogic::OnIntervalChanged() {
    const std::optional<int> seconds = WholeNumber(m_view.ItemText(IDC_DEVICES_INTERVAL));
    if (!seconds || *seconds < kShortestDevicesInterval || *seconds > kLongestDevicesInterval) {
        ShowError(FillIn(m_strings(IDS_DEVICES_BAD_INTERVAL), {std::to_string(kShortestDevicesInterval),
                                                               std::to_string(kLongestDevicesInterval)}));
        m_view.SetItemText(IDC_DEVICES_INTERVAL, std::to_string(m_intervalSeconds));
        m_view.FocusItem(IDC_DEVICES_INTERVAL);
        return;
    }
    if (*seconds == m_intervalSeconds) {
        return;
    }
    m_intervalSeconds = *seconds;
    Save();
    Relist();
}

void CDevicesDlgLogic::OnFilterChanged() {
    m_filter.text = m_view.ItemText(IDC_DEVICES_FILTER);
    const std::size_t choice = m_view.SelectedChoice(IDC_DEVICES_FILTER_COLUMN).value_or(0);
    m_filter.column = choice == 0 || choice > kDeviceColumnCount
                          ? std::nullopt
                          : std::optional<DeviceColumn>(static_cast<DeviceColumn>(choice - 1));
    Reorder();
}

void CDevicesDlgLogic::OnSortBy(DeviceColumn column) {
    m_sort.ascending = m_sort.column == column ? !m_sort.ascending : true;
    m_sort.column = column;
    ShowSort();
    Reorder();
}

void CDevicesDlgLogic::OnSortChosen() {
    const std::optional<std::size_t> choice = m_view.SelectedChoice(IDC_DEVICES_SORT);
    if (!choice || *choice >= kDeviceColumnCount * 2) {
        return;
    }
    m_sort = DeviceSort{static_cast<DeviceColumn>(*choice / 2), *choice % 2 == 0};
    ShowSort();
    Reorder();
}

void CDevicesDlgLogic::ShowSort() {
    if (m_initialised) {
        m_view.ShowSort(m_sort.column, m_sort.ascending);
        m_view.SelectChoice(IDC_DEVICES_SORT, SortChoice(m_sort));
    }
}

void CDevicesDlgLogic::OnActivated(std::size_t row) {
    if (row < m_order.size()) {
        m_view.ConnectMainWindow(Entry(row).address);
    }
}

void CDevicesDlgLogic::OnSelectionChanged() {
    const std::vector<std::size_t> selected = SelectedEntries();
    m_view.EnableItem(IDC_DEVICES_REMOVE, !selected.empty());
    m_view.EnableItem(IDC_DEVICES_SET_NAME, !selected.empty());
    m_view.EnableItem(IDC_DEVICES_REMOVE_ALL, !m_entries.empty());
    if (selected.size() == 1) {
        m_view.SetItemText(IDC_DEVICES_NAME, m_entries[selected.front()].name);
    }
}

void CDevicesDlgLogic::OnClose() {
    m_view.HideWindow();
}

void CDevicesDlgLogic::SetAlarmsOn(bool on) {
    m_alarmsOn = on;
    if (!on) {
        m_gathered.clear();
        m_gatheredSince.reset();
    }
}

void CDevicesDlgLogic::OnTimer(int timerId) {
    if (timerId == kDevicesAgeTimer) {
        // Only the ages move; they keep the order.
        const std::int64_t now = m_environment.utcNow();
        for (std::size_t index = 0; index < m_entries.size(); ++index) {
            m_rows[index].cells[static_cast<std::size_t>(DeviceColumn::Age)] =
                ReadingAge(m_entries[index], now, m_strings);
        }
        if (m_initialised && !m_order.empty()) {
            m_view.UpdateRows(0, m_order.size() - 1);
        }
    } else if (timerId == kDevicesAlarmTimer) {
        Gather(m_events.OnTick(m_environment.now()));
        SayGathered();
        ArmAlarmTimer();
    }
}

void CDevicesDlgLogic::OnFleetNews() {
    if (m_fleet) {
        OnNews(m_fleet->TakeNews());
    }
}

void CDevicesDlgLogic::OnNews(FleetNews news) {
    const std::int64_t now = m_environment.utcNow();
    std::vector<std::size_t> changed;
    for (const std::uint32_t value : news.started) {
        const auto found = m_index.find(FormatDottedAddress(OctetsOf(value)));
        if (found != m_index.end()) {
            m_entries[found->second].reading = true;
            changed.push_back(found->second);
        }
    }
    for (const WatchedReading& reading : news.readings) {
        const auto found = m_index.find(reading.record.address);
        // A device removed since its reading started is no longer the window's.
        if (found != m_index.end()) {
            TakeReading(reading, m_entries[found->second]);
            changed.push_back(found->second);
        }
    }
    for (const std::size_t index : changed) {
        m_rows[index] = MakeDeviceRow(m_entries[index], now, m_strings);
    }
    if (!changed.empty()) {
        Reorder();
    }
    SayGathered();
    ArmAlarmTimer();
}

void CDevicesDlgLogic::TakeReading(const WatchedReading& reading, DeviceEntry& entry) {
    FleetStep step = m_events.OnReading(reading.record, reading.utcMicros, m_environment.now());
    entry.reading = false;
    entry.record = reading.record;
    entry.health = std::move(step.health);
    entry.readUtcMicros = reading.utcMicros;
    if (!step.events.empty()) {
        entry.lastEvent = step.events.back().text;
        entry.lastEventUtcMicros = step.events.back().utcMicros;
    }
    Gather(std::move(step.alarms));
}

// Withdrawals go at once; the rest wait for the others of the moment, to be said together.
void CDevicesDlgLogic::Gather(std::vector<Alarm> alarms) {
    if (!m_alarmsOn) {
        return;
    }
    for (Alarm& alarm : alarms) {
        if (alarm.kind == AlarmKind::Withdrawal) {
            m_view.WithdrawAlarm(alarm);
            continue;
        }
        if (!m_gatheredSince) {
            m_gatheredSince = m_environment.now();
        }
        m_gathered.push_back(std::move(alarm));
    }
}

void CDevicesDlgLogic::SayGathered() {
    if (!m_gatheredSince || m_environment.now() - *m_gatheredSince < kAlarmGatherSpan) {
        return;
    }
    for (const Alarm& alarm : GroupAlarms(m_gathered, m_strings)) {
        m_view.RaiseAlarm(alarm);
    }
    m_gathered.clear();
    m_gatheredSince.reset();
}

void CDevicesDlgLogic::ArmAlarmTimer() {
    const bool needed = m_gatheredSince.has_value() || m_events.NextAlarmDue().has_value();
    if (needed && !m_alarmTimerRuns) {
        m_view.StartTimer(kDevicesAlarmTimer, kDevicesAlarmTimerMs);
    } else if (!needed && m_alarmTimerRuns) {
        m_view.StopTimer(kDevicesAlarmTimer);
    }
    m_alarmTimerRuns = needed;
}
