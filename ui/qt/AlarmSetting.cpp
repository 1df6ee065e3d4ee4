#include "AlarmSetting.h"

#include <QSettings>

namespace {

const QString kNotifyProblemsKey = QStringLiteral("notifyProblems");

// Named here rather than taken from the application, so that the window reads the same settings
// wherever it runs (the program and the window tests alike).
QSettings ProgramSettings() {
    return QSettings(QStringLiteral("VANTREX"), QStringLiteral("vantrex-config"));
}

} // namespace

bool LoadAlarmsOn() {
    return ProgramSettings().value(kNotifyProblemsKey, true).toBool();
}

void SaveAlarmsOn(bool on) {
    ProgramSettings().setValue(kNotifyProblemsKey, on);
}
