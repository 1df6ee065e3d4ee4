#include "RecentAddressSetting.h"

#include "SettingsKey.h"

#include "WideText.h"

#include <windows.h>

namespace {

constexpr const wchar_t* kRecentAddressesValue = L"RecentAddresses";
// Ten addresses take some 320 bytes; anyone may have written a larger value, which is not read.
constexpr DWORD kMostValueBytes = 4096;

} // namespace

std::vector<std::string> ReadRecentAddresses() {
    std::wstring value(kMostValueBytes / sizeof(wchar_t), L'\0');
    DWORD size = kMostValueBytes;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, kRecentAddressesValue, RRF_RT_REG_MULTI_SZ, nullptr,
                     value.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(size / sizeof(wchar_t));
    // A REG_MULTI_SZ is strings each ended by NUL, the list by one more.
    std::vector<std::string> addresses;
    std::size_t start = 0;
    for (std::size_t end = value.find(L'\0'); end != std::wstring::npos && end > start;
         start = end + 1, end = value.find(L'\0', start)) {
        addresses.push_back(Narrow(std::wstring_view(value).substr(start, end - start)));
    }
    return addresses;
}

bool SaveRecentAddressList(const std::vector<std::string>& addresses) {
    std::wstring value;
    for (const std::string& address : addresses) {
        value += Widen(address);
        value += L'\0';
    }
    value += L'\0';
    // Creates the key on first use.
    return RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kRecentAddressesValue, REG_MULTI_SZ, value.data(),
                           static_cast<DWORD>(value.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}
