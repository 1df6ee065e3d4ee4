#pragma once

#include <windows.h>

// Where the Devices window keeps its list (SettingsKey.h, the settings names "Devices/…").
inline constexpr const wchar_t* kKeptDevicesKey = L"Software\\VANTREX\\Configuration\\Devices";

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
