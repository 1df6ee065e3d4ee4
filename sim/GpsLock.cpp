#include "GpsLock.h"

namespace {

constexpr char kLocked = 'A';
constexpr char kUnlocked = 'V';

} // namespace

char GpsLetter(char configured, bool flipped) {
    if (!flipped) {
        return configured;
    }
    return configured == kLocked ? kUnlocked : kLocked;
}
