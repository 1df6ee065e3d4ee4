// The Devices window of the Win32 window in this process. Against two native simulated devices
// (FixtureSims.txt, 127.0.46.70 and .71, NTP on port 12346): a typed range becomes rows that turn OK, in
// words and with the state's shade behind them, and Enter on a row connects the main window to it. Driven
// as its keys and clicks arrive: Enter in the add box adds the typed devices, a second click on the
// sorted column's title turns the order and marks it, Delete in the table removes the selected device,
// Esc hides the window; the list is kept in the registry, whose store reads back what it wrote.
#include "WindowRun.h"

#include "resources/resource.h"
#include "runtime/Networking.h"
#include "ui/win32/DevicesDlg.h"
#include "ui/win32/RegistrySettingsStore.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr unsigned short kSimNtpPort = 12346;
// A first reading of each device takes a few seconds; Wine and a busy machine more.
constexpr std::chrono::milliseconds kReadTimeout{60000};
// Where the Devices window keeps its list (SettingsKey.h, the settings names "Devices/…").
constexpr const wchar_t* kKeptDevicesKey = L"Software\\VANTREX\\Configuration\\Devices";

// The kept list, which every later run of the program in this prefix would go on reading, goes before
// and after a test.
class CKeptDevicesRemoval {
public:
    CKeptDevicesRemoval() { Remove(); }
    ~CKeptDevicesRemoval() { Remove(); }
    CKeptDevicesRemoval(const CKeptDevicesRemoval&) = delete;
    CKeptDevicesRemoval& operator=(const CKeptDevicesRemoval&) = delete;

private:
    static void Remove() { RegDeleteTreeW(HKEY_CURRENT_USER, kKeptDevicesKey); }
};

// The texts of the table's column, top to bottom, as the window hands them to the list.
std::vector<std::wstring> Cells(HWND list, DeviceColumn column) {
    std::vector<std::wstring> texts;
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        wchar_t text[64] = {};
        LVITEMW item{};
        item.iSubItem = static_cast<int>(column);
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::wstring> Addresses(HWND list) {
    return Cells(list, DeviceColumn::Address);
}

// The shade the window gives the list for a cell as it paints it; nothing when the list keeps its own.
std::optional<COLORREF> PaintedShade(HWND devices, std::size_t row, DeviceColumn column) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = {GetDlgItem(devices, IDC_DEVICES_TABLE), IDC_DEVICES_TABLE,
                     static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.nmcd.dwItemSpec = row;
    draw.iSubItem = static_cast<int>(column);
    draw.clrTextBk = CLR_DEFAULT;
    SendMessageW(devices, WM_NOTIFY, IDC_DEVICES_TABLE, reinterpret_cast<LPARAM>(&draw));
    return draw.clrTextBk == CLR_DEFAULT ? std::nullopt : std::optional<COLORREF>(draw.clrTextBk);
}

void ClickTitle(HWND devices, DeviceColumn column) {
    NMLISTVIEW click{};
    click.hdr = {GetDlgItem(devices, IDC_DEVICES_TABLE), IDC_DEVICES_TABLE, LVN_COLUMNCLICK};
    click.iItem = -1;
    click.iSubItem = static_cast<int>(column);
    SendMessageW(devices, WM_NOTIFY, IDC_DEVICES_TABLE, reinterpret_cast<LPARAM>(&click));
}

bool MarkedDescending(HWND list, DeviceColumn column) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    return (item.fmt & HDF_SORTDOWN) != 0 && (item.fmt & HDF_SORTUP) == 0;
}

// The dialog manager's Enter: IDOK, with the focus where the user left it.
void PressEnterIn(HWND devices, int id) {
    SendMessageW(devices, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(devices, id)), TRUE);
    SendMessageW(devices, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TEST(DevicesWindowKeys, EnterAddsATitleTurnsTheOrderDeleteRemovesAndEscHides) {
    ASSERT_TRUE(StartNetworking());
    const CKeptDevicesRemoval removal;
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    std::vector<std::wstring> added, turned, left;
    bool marked = false;
    bool hidden = false;
    // Nothing listens at these addresses: their rows are only listed.
    const bool done = RunWindow(
        dialog, CommandLine{},
        [&](HWND window) {
            HWND devices = ThisThreadsWindow(L"Devices");
            if (devices == nullptr || !IsWindowVisible(devices)) {
                SendMessageW(window, WM_SYSCOMMAND, CConfigDlg::kIdmDevices, 0);
                return false;
            }
            HWND list = GetDlgItem(devices, IDC_DEVICES_TABLE);
            SetDlgItemTextW(devices, IDC_DEVICES_ADD_BOX, L"127.0.46.75, 127.0.46.74");
            PressEnterIn(devices, IDC_DEVICES_ADD_BOX);
            added = Addresses(list);
            ClickTitle(devices, DeviceColumn::Address);
            turned = Addresses(list);
            marked = MarkedDescending(list, DeviceColumn::Address);
            LVITEMW select{};
            select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            select.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
            SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
            left = Addresses(list);
            SendMessageW(devices, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            hidden = IsWindowVisible(devices) == FALSE;
            return true;
        },
        kWindowTimeout);
    ASSERT_TRUE(done);
    EXPECT_EQ(added, (std::vector<std::wstring>{L"127.0.46.74", L"127.0.46.75"}));
    EXPECT_EQ(turned, (std::vector<std::wstring>{L"127.0.46.75", L"127.0.46.74"}));
    EXPECT_TRUE(marked);
    EXPECT_EQ(left, (std::vector<std::wstring>{L"127.0.46.74"}));
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
    const std::optional<std::string> kept = CRegistrySettingsStore().Read(kDevicesSetting);
    ASSERT_TRUE(kept.has_value());
    EXPECT_NE(kept->find("127.0.46.74"), std::string::npos) << *kept;
    EXPECT_EQ(kept->find("127.0.46.75"), std::string::npos) << *kept;
}

TEST(DevicesWindow, ATypedRangeTurnsOkInWordsAndShadeAndEnterOnARowConnectsTheMainWindow) {
    ASSERT_TRUE(StartNetworking());
    const CKeptDevicesRemoval removal;
    CAnsweringBoxes boxes;
    CConfigDlg dialog(GetModuleHandleW(nullptr), boxes);
    DevicesEnvironment environment = ProgramDevicesEnvironment();
    environment.journalPath.reset();
    environment.fleet.probe.ntpPort = kSimNtpPort;
    std::unique_ptr<CDevicesDlg> devices;
    std::vector<std::wstring> states;
    std::optional<COLORREF> stateShade, addressShade;
    std::string connected;
    const bool done = RunWindow(
        dialog, CommandLine{},
        [&](HWND window) {
            if (!devices) {
                // A window of its own beside the main window's, reading where the simulator serves NTP.
                devices = std::make_unique<CDevicesDlg>(GetModuleHandleW(nullptr), window, dialog, boxes,
                                                        std::move(environment));
                devices->Show();
                SetDlgItemTextW(devices->Window(), IDC_DEVICES_ADD_BOX, L"127.0.46.70-71");
                PressEnterIn(devices->Window(), IDC_DEVICES_ADD_BOX);
            }
            HWND list = GetDlgItem(devices->Window(), IDC_DEVICES_TABLE);
            states = Cells(list, DeviceColumn::State);
            if (states != std::vector<std::wstring>{L"OK", L"OK"}) {
                return false;
            }
            stateShade = PaintedShade(devices->Window(), 1, DeviceColumn::State);
            addressShade = PaintedShade(devices->Window(), 1, DeviceColumn::Address);
            LVITEMW focus{};
            focus.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            focus.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&focus));
            PressEnterIn(devices->Window(), IDC_DEVICES_TABLE);
            connected = dialog.ItemText(IDC_DEVICE_ADDRESS);
            devices.reset();
            return true;
        },
        kReadTimeout);
    EXPECT_TRUE(done) << "states: " << testing::PrintToString(states);
    EXPECT_EQ(stateShade, RGB(0xc8, 0xf0, 0xc8));
    EXPECT_EQ(addressShade, std::nullopt);
    EXPECT_EQ(connected, "127.0.46.71");
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

// Lines, names in any script, and a value never written.
TEST(RegistrySettingsStore, ReadsBackWhatItWroteAndNothingForAValueNeverWritten) {
    const CKeptDevicesRemoval removal;
    CRegistrySettingsStore store;
    const std::string text = "127.0.46.76 Zeitserver \xc3\xa4\xe2\x82\xac\n127.0.46.77\n";
    store.Write("Devices/ListTest", text);
    EXPECT_EQ(store.Read("Devices/ListTest"), text);
    EXPECT_EQ(store.Read("Devices/NeverWritten"), std::nullopt);
}

} // namespace
