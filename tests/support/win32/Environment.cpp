#include "tests/support/Environment.h"

#include <cstdlib>
#include <ctime>

void SetTestEnvironment(const char* name, const char* value) {
    (void)_putenv_s(name, value != nullptr ? value : ""); // The empty value removes the variable.
}

void ReloadTimeZone() {
    _tzset();
}
