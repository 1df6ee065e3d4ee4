// The Devices window of the Win32 window in this process, driven as its keys and clicks arrive: Enter in
// the add box adds the typed devices, a second click on the sorted column's title turns the order and
// marks it, Delete in the table removes the selected device, Esc hides the window; the list is kept in
// the registry, whose store reads back what it wrote.
#include "KeptDevices.h"
#include "WindowRun.h"

#include "resources/resource.h"
#include "runtime/Networking.h"
#include "ui/win32/RegistrySettingsStore.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

// The texts of the table's address column, top to bottom, as the window hands them to the list.
std::vector<std::wstring> Addresses(HWND list) {
    std::vector<std::wstring> texts;
    const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        wchar_t text[64] = {};
        LVITEMW item{};
        item.iSubItem = static_cast<int>(DeviceColumn::Address);
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
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
