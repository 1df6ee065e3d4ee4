// Figures of the event loop per mechanism: what one wake costs with 10,000 sockets watched and one thing
// ready, and what starting and cancelling timers costs among 20,000. Prints one line per figure; plain
// program, so that it builds wherever the runtime does.
// Usage: bench_loop_figures [SOCKETS]   (default 10000; the descriptor limit must allow them)
#include "runtime/DescriptorLimit.h"
#include "runtime/EventLoop.h"
#include "runtime/Networking.h"
#include "runtime/TcpClient.h"
#include "tests/support/LoopbackPeer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = CEventLoop::Clock;
constexpr const char* kAddress = "127.0.236.10";
constexpr unsigned short kPort = 5736;
constexpr int kRounds = 2000;
constexpr int kTimers = 20000;

double MicrosecondsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::micro>(end - start).count();
}

void PrintFigure(const char* mechanism, const char* name, std::vector<double> samplesUs) {
    std::sort(samplesUs.begin(), samplesUs.end());
    std::printf("%-8s %-40s median %9.2f us  p99 %9.2f us  (%zu rounds)\n", mechanism, name,
                samplesUs[samplesUs.size() / 2], samplesUs[samplesUs.size() * 99 / 100], samplesUs.size());
}

// Sockets that are watched but never ready: connected (or still connecting) to a listener that neither
// accepts nor sends, watched for reading.
std::vector<std::unique_ptr<CTcpClient>> QuietSockets(int count) {
    std::vector<std::unique_ptr<CTcpClient>> clients;
    for (int index = 0; index < count; ++index) {
        auto client = std::make_unique<CTcpClient>();
        if (!client->Create(kSockStream, kIpProtoTcp, kAfInet) || !client->SetBlocking(false)) {
            break;
        }
        (void)client->Connect(kAddress, kPort); // under way or done; either is quiet for reading
        clients.push_back(std::move(client));
    }
    return clients;
}

// One wake for one set signal among the watched sockets, timed from before Wait until it returns.
void WakeFigure(LoopMechanism mechanism, const std::vector<std::unique_ptr<CTcpClient>>& quiet) {
    std::unique_ptr<CEventLoop> loop = CEventLoop::Create(mechanism);
    CSignal ready;
    if (!loop || !loop->WatchSignal(ready, [](unsigned) {})) {
        std::printf("no loop\n");
        return;
    }
    for (const auto& client : quiet) {
        if (!loop->Watch(client->SocketHandle(), LoopReadable, [](unsigned) {})) {
            std::printf("%s refused a watch after %zu\n", loop->MechanismName(), loop->WatchCount());
            return;
        }
    }
    std::vector<double> samples;
    ready.Set();
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        const int called = loop->Wait();
        samples.push_back(MicrosecondsBetween(start, Clock::now()));
        if (called != 1) {
            std::printf("%s called %d handlers, not 1\n", loop->MechanismName(), called);
            return;
        }
    }
    char name[64];
    std::snprintf(name, sizeof name, "wake, 1 ready of %zu watched", loop->WatchCount());
    PrintFigure(loop->MechanismName(), name, samples);
    for (const auto& client : quiet) {
        loop->Forget(client->SocketHandle());
    }
    loop->ForgetSignal(ready);
}

// Starting kTimers timers, then cancelling each and starting its replacement, as a time-out pushed back
// at every byte does; per operation.
void TimerFigure() {
    std::unique_ptr<CEventLoop> loop = CEventLoop::Create();
    const Clock::time_point later = Clock::now() + std::chrono::hours(1);
    std::vector<LoopTimerId> ids;
    std::vector<double> samples;
    for (int index = 0; index < kTimers; ++index) {
        ids.push_back(loop->StartTimer(later + std::chrono::milliseconds(index % 997), [](unsigned) {}));
    }
    for (int round = 0; round < 10; ++round) {
        const Clock::time_point start = Clock::now();
        for (LoopTimerId& id : ids) {
            loop->CancelTimer(id);
            id = loop->StartTimer(later + std::chrono::milliseconds(round), [](unsigned) {});
        }
        samples.push_back(MicrosecondsBetween(start, Clock::now()) / kTimers);
    }
    PrintFigure("timers", "cancel and restart one of 20000", samples);
}

} // namespace

int main(int argc, char** argv) {
    const int sockets = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (!StartNetworking()) {
        std::printf("no networking\n");
        return 1;
    }
    const auto limit = RaiseDescriptorLimit();
    if (limit && *limit < static_cast<std::uint64_t>(sockets) + 64) {
        std::printf("the descriptor limit %llu is too low for %d sockets\n",
                    static_cast<unsigned long long>(*limit), sockets);
        return 1;
    }
    CLoopbackListener listener(kAddress, kPort, sockets);
    if (!listener.IsListening()) {
        std::printf("cannot listen on %s:%u\n", kAddress, kPort);
        return 1;
    }
    const std::vector<std::unique_ptr<CTcpClient>> quiet = QuietSockets(sockets);
    WakeFigure(LoopMechanism::Best, quiet);
    WakeFigure(LoopMechanism::Poll, quiet);
    TimerFigure();
    return 0;
}
