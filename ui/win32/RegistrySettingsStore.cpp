#include "RegistrySettingsStore.h"

#include "SettingsKey.h"
#include "WideText.h"

#include <windows.h>

namespace {

// A list of the most devices the window takes, each with a name, fits well within this; anyone may have
// written a larger value, which is not read.
constexpr DWORD kMostValueBytes = 16 * 1024 * 1024;

struct RegistryPlace {
    std::wstring key;
    std::wstring value;
};

RegistryPlace PlaceOf(const std::string& name) {
    const std::wstring wide = Widen(name);
    const std::size_t slash = wide.rfind(L'/');
    if (slash == std::wstring::npos) {
        return {kSettingsKey, wide};
    }
    return {std::wstring(kSettingsKey) + L'\\' + wide.substr(0, slash), wide.substr(slash + 1)};
}

} // namespace

std::optional<std::string> CRegistrySettingsStore::Read(const std::string& name) const {
    const RegistryPlace place = PlaceOf(name);
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, place.key.c_str(), place.value.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &size) != ERROR_SUCCESS ||
        size > kMostValueBytes) {
        return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    // The value may have grown since its size was asked: then it is not read.
    if (RegGetValueW(HKEY_CURRENT_USER, place.key.c_str(), place.value.c_str(), RRF_RT_REG_SZ, nullptr,
                     text.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    // The size counts the terminating NUL that the registry adds.
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return Narrow(text);
}

void CRegistrySettingsStore::Write(const std::string& name, const std::string& value) {
    const RegistryPlace place = PlaceOf(name);
    const std::wstring text = Widen(value);
    // Creates the key on first use; a registry that refuses keeps nothing, as the interface allows.
    (void)RegSetKeyValueW(HKEY_CURRENT_USER, place.key.c_str(), place.value.c_str(), REG_SZ, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}
