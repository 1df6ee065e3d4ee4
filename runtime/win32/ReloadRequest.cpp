#include "runtime/ReloadRequest.h"

// A console program on Windows is never asked to reload: the signal stays as it is.
bool SetOnReloadRequest(CSignal&) {
    return true;
}
