#include "ProgramSettings.h"

QSettings ProgramSettings() {
    return QSettings(QStringLiteral("VANTREX"), QStringLiteral("vantrex-config"));
}
