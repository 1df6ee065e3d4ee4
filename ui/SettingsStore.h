#pragma once

#include <optional>
#include <string>

// The platform's usual store of a user's settings (Qt: QSettings; Win32: the registry under the
// program's key), as text values by name. Each front end implements it; tests keep one in memory.
class CSettingsStore {
public:
    virtual ~CSettingsStore() = default;

    // The value kept under name; nothing when there is none or it cannot be read.
    virtual std::optional<std::string> Read(const std::string& name) const = 0;
    // Keeps value under name, replacing what was there; a store that cannot be written keeps nothing.
    virtual void Write(const std::string& name, const std::string& value) = 0;
};

// The names the Devices window keeps its list and its reading interval under.
inline constexpr const char* kDevicesSetting = "Devices/List";
inline constexpr const char* kDevicesIntervalSetting = "Devices/IntervalSeconds";
