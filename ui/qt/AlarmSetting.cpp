#include "AlarmSetting.h"

#include "ProgramSettings.h"

namespace {

const QString kNotifyProblemsKey = QStringLiteral("notifyProblems");

} // namespace

bool LoadAlarmsOn() {
    return ProgramSettings().value(kNotifyProblemsKey, true).toBool();
}

void SaveAlarmsOn(bool on) {
    ProgramSettings().setValue(kNotifyProblemsKey, on);
}
