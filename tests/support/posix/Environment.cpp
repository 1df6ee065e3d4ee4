#include "tests/support/Environment.h"

#include <cstdlib>
#include <ctime>

void SetTestEnvironment(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

void ReloadTimeZone() {
    tzset();
}
