#pragma once

// Where the window remembers its settings for each user of this PC, under HKEY_CURRENT_USER.
inline constexpr const wchar_t* kSettingsKey = L"Software\\VANTREX\\Configuration";
