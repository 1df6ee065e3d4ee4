#pragma once

#include "ui/SettingsStore.h"

// The settings store over the window's QSettings (ProgramSettings): what the user's settings keep.
class CQtSettingsStore : public CSettingsStore {
public:
    std::optional<std::string> Read(const std::string& name) const override;
    void Write(const std::string& name, const std::string& value) override;
};
