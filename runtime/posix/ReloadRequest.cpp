#include "runtime/ReloadRequest.h"

#include <csignal>

namespace {

CSignal* g_reload = nullptr;

extern "C" void OnReloadSignal(int) {
    // CSignal::Set only writes its count to a descriptor and bumps a lock-free counter: both are safe here.
    (void)g_reload->Set();
}

} // namespace

bool SetOnReloadRequest(CSignal& signal) {
    g_reload = &signal;
    struct sigaction action {};
    action.sa_handler = OnReloadSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGHUP, &action, nullptr) == 0;
}
