#include "runtime/ReloadRequest.h"

#include "SystemSignalRoute.h"

#include <csignal>

bool SetOnReloadRequest(CSignal& signal) {
    return RouteSystemSignals(signal, {SIGHUP});
}
