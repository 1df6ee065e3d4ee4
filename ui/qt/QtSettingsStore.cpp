#include "QtSettingsStore.h"

#include "ProgramSettings.h"

std::optional<std::string> CQtSettingsStore::Read(const std::string& name) const {
    const QVariant value = ProgramSettings().value(QString::fromStdString(name));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

void CQtSettingsStore::Write(const std::string& name, const std::string& value) {
    ProgramSettings().setValue(QString::fromStdString(name), QString::fromStdString(value));
}
