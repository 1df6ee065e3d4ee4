#include "runtime/UserRequest.h"

#include "SystemSignalRoute.h"

#include <csignal>

bool SetOnUserRequest(CSignal& signal) {
    return RouteSystemSignals(signal, {SIGUSR1});
}
