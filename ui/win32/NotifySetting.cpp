#include "NotifySetting.h"

#include "SettingsKey.h"

#include <windows.h>

namespace {

constexpr const wchar_t* kNotifyProblemsValue = L"NotifyProblems";

} // namespace

bool ReadNotifyProblems() {
    DWORD on = 1;
    DWORD size = sizeof on;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kNotifyProblemsValue, RRF_RT_REG_DWORD, nullptr, &on,
                     &size) != ERROR_SUCCESS) {
        return true;
    }
    return on != 0;
}

bool SaveNotifyProblems(bool on) {
    const DWORD value = on ? 1 : 0;
    // Creates the key on first use.
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kNotifyProblemsValue, REG_DWORD, &value,
                           sizeof value) == ERROR_SUCCESS;
}
