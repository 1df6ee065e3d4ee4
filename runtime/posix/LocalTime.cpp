#include "runtime/LocalTimeNative.h"

bool BreakDownLocalTime(std::time_t seconds, std::tm& parts) {
    return localtime_r(&seconds, &parts) != nullptr;
}
