#include "runtime/TerminationRequest.h"

#include "SystemSignalRoute.h"

#include <csignal>

bool SetOnTerminationRequest(CSignal& signal) {
    return RouteSystemSignals(signal, {SIGINT, SIGTERM});
}
