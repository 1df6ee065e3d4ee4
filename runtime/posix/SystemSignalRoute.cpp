#include "SystemSignalRoute.h"

#include <array>
#include <csignal>

namespace {

// Written before the handlers are installed, only read by them.
std::array<CSignal*, NSIG> g_routes{};

extern "C" void OnSystemSignal(int number) {
    // CSignal::Set only writes its count to a descriptor and bumps a lock-free counter: both are safe here.
    (void)g_routes[static_cast<std::size_t>(number)]->Set();
}

} // namespace

bool RouteSystemSignals(CSignal& signal, std::initializer_list<int> numbers) {
    struct sigaction action {};
    action.sa_handler = OnSystemSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : numbers) {
        g_routes[static_cast<std::size_t>(number)] = &signal;
        if (sigaction(number, &action, nullptr) != 0) {
            return false;
        }
    }
    return true;
}
