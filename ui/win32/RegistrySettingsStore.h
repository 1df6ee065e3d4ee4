#pragma once

#include "ui/SettingsStore.h"

#include <optional>
#include <string>

// The user's settings in the registry, under the program's key (SettingsKey.h): a name "Group/Value"
// is the value Value of the subkey Group, as a string.
class CRegistrySettingsStore : public CSettingsStore {
public:
    std::optional<std::string> Read(const std::string& name) const override;
    void Write(const std::string& name, const std::string& value) override;
};
