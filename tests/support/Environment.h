#pragma once

// Sets the environment variable name of this process to value; nullptr removes it.
void SetTestEnvironment(const char* name, const char* value);

// Makes the C library read TZ again, after SetTestEnvironment changed it.
void ReloadTimeZone();
