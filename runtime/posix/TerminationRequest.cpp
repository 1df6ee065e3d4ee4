#include "runtime/TerminationRequest.h"

#include <csignal>

namespace {

CSignal* g_termination = nullptr;

extern "C" void OnTerminationSignal(int) {
    // CSignal::Set only writes its count to a descriptor and bumps a lock-free counter: both are safe here.
    (void)g_termination->Set();
}

} // namespace

bool SetOnTerminationRequest(CSignal& signal) {
    g_termination = &signal;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}
