#pragma once

#include <QSettings>

// The settings the window remembers for the user. Named here rather than taken from the application, so
// that the window reads the same settings wherever it runs (the program and the window tests alike).
QSettings ProgramSettings();
