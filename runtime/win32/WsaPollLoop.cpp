#include "SignalNative.h"
#include "SignalWatcher.h"

#include "runtime/LoopPollArray.h"
#include "runtime/LoopPollEvents.h"
#include "runtime/TableLoop.h"

#include <winsock2.h>

#include <unordered_map>

namespace {

constexpr PollBits kWsaPollBits{POLLRDNORM, POLLWRNORM, POLLRDNORM | POLLRDBAND,
                                POLLWRNORM, POLLHUP,    POLLERR | POLLNVAL};

void CloseQuietly(SOCKET socket) {
    (void)closesocket(socket); // Nothing to recover: the socket is gone either way.
}

// A datagram socket on loopback connected to itself, non-blocking: what is sent to it makes it readable.
SOCKET OpenWakeSocket() {
    const SOCKET wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (wake == INVALID_SOCKET) {
        return wake;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof local;
    u_long nonBlocking = 1;
    if (bind(wake, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(wake, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
        connect(wake, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ioctlsocket(wake, FIONBIO, &nonBlocking) != 0) {
        CloseQuietly(wake);
        return INVALID_SOCKET;
    }
    return wake;
}

// WSAPoll over a dense array of every socket, which has no limit of 64 handles. Signals are events, which
// WSAPoll cannot wait on: a watcher thread waits on them and wakes the poll through a datagram socket.
class CWsaPollLoop final : public CTableLoop {
public:
    CWsaPollLoop(SOCKET wakeSocket, std::unique_ptr<CSignalWatcher> watcher)
        : m_wakeSocket(wakeSocket), m_watcher(std::move(watcher)) {
        m_fds.Set(static_cast<WaitHandle>(m_wakeSocket), POLLRDNORM);
    }
    ~CWsaPollLoop() override {
        m_watcher.reset(); // before the socket it sends to
        CloseQuietly(m_wakeSocket);
    }

    bool WatchSignal(const CSignal& signal, LoopHandler handler) override {
        const HANDLE event = signal.GetNative().event;
        const bool replacing = m_signals.count(signal.Handle()) != 0;
        if (event == nullptr || (!replacing && m_signals.size() >= CSignalWatcher::kMostEvents)) {
            return false;
        }
        SharedEvent duplicate = DuplicateEvent(event);
        if (!duplicate) {
            return false;
        }
        m_signals[signal.Handle()] = {std::move(duplicate),
                                      std::make_shared<LoopHandler>(std::move(handler))};
        m_signalsChanged = true;
        return true;
    }

    void ForgetSignal(const CSignal& signal) override {
        if (m_signals.erase(signal.Handle()) != 0) {
            m_signalsChanged = true;
        }
    }

    const char* MechanismName() const override { return "WSAPoll"; }
    std::size_t WatchCount() const override { return CTableLoop::WatchCount() + m_signals.size(); }

protected:
    bool Register(WaitHandle handle, unsigned events, std::uint32_t, bool) override {
        if (handle == static_cast<WaitHandle>(INVALID_SOCKET) || handle == kNoSignal) {
            return false;
        }
        m_fds.Set(handle, PollEventsFor(events, kWsaPollBits));
        return true;
    }

    void Unregister(WaitHandle handle) override { m_fds.Remove(handle); }

    int WaitForReadiness(std::uint32_t timeoutMs) override {
        const bool signalSet = AnySignalSet();
        if (!signalSet) {
            ArmWatcher();
        }
        // A set signal is ready already: the wait only looks at the sockets.
        const int timeout = signalSet ? 0 : PollTimeoutOf(timeoutMs);
        if (WSAPoll(m_fds.Data(), static_cast<ULONG>(m_fds.Size()), timeout) < 0) {
            return -1;
        }
        int called = 0;
        const auto wake = static_cast<WaitHandle>(m_wakeSocket);
        for (const auto& ready :
             m_fds.TakeReady([this](WaitHandle handle) { return GenerationOf(handle); })) {
            if (ready.handle == wake) {
                if (!DrainWakeSocket(ready.revents)) {
                    return -1;
                }
                continue;
            }
            called += Deliver(ready.handle, ready.generation,
                              LoopEventsOf(static_cast<unsigned short>(ready.revents), kWsaPollBits));
        }
        return called + CallSetSignals();
    }

private:
    struct SignalWatch {
        SharedEvent event;
        // Shared so that a handler that forgets its own signal lives until it returns.
        std::shared_ptr<LoopHandler> handler;
    };

    static bool IsSet(const SharedEvent& event) {
        return WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0;
    }

    bool AnySignalSet() const {
        for (const auto& [handle, watch] : m_signals) {
            if (IsSet(watch.event)) {
                return true;
            }
        }
        return false;
    }

    // Has the watcher wait on the signals, unless it already does: it stays armed until it wakes us.
    void ArmWatcher() {
        if (m_signals.empty() || (m_watcherArmed && !m_signalsChanged)) {
            return;
        }
        std::vector<SharedEvent> events;
        for (const auto& [handle, watch] : m_signals) {
            events.push_back(watch.event);
        }
        m_watcher->Arm(std::move(events));
        m_watcherArmed = true;
        m_signalsChanged = false;
    }

    // Reads the watcher's wake-ups; false when the socket or the watcher failed.
    bool DrainWakeSocket(short revents) {
        m_watcherArmed = false;
        char buffer[16];
        while (recv(m_wakeSocket, buffer, sizeof buffer, 0) > 0) {
        }
        return (revents & (POLLERR | POLLHUP | POLLNVAL)) == 0 && WSAGetLastError() == WSAEWOULDBLOCK &&
               !m_watcher->HasFailed();
    }

    // Calls the handlers of the signals that are set; how many.
    int CallSetSignals() {
        m_setSignals.clear();
        for (const auto& [handle, watch] : m_signals) {
            if (IsSet(watch.event)) {
                m_setSignals.push_back({handle, watch.handler});
            }
        }
        int called = 0;
        for (const auto& [handle, handler] : m_setSignals) {
            // A handler called before may have forgotten this one, or watched it again.
            const auto found = m_signals.find(handle);
            if (found != m_signals.end() && found->second.handler == handler) {
                (*handler)(LoopReadable);
                ++called;
            }
        }
        return called;
    }

    const SOCKET m_wakeSocket;
    std::unique_ptr<CSignalWatcher> m_watcher;
    CLoopPollArray<WSAPOLLFD> m_fds;
    std::unordered_map<WaitHandle, SignalWatch> m_signals;
    std::vector<std::pair<WaitHandle, std::shared_ptr<LoopHandler>>> m_setSignals;
    bool m_watcherArmed = false;
    bool m_signalsChanged = false;
};

} // namespace

std::unique_ptr<CEventLoop> CEventLoop::Create(LoopMechanism) {
    // WSAPoll is both the best and the portable mechanism here.
    const SOCKET wake = OpenWakeSocket();
    if (wake == INVALID_SOCKET) {
        return nullptr;
    }
    std::unique_ptr<CSignalWatcher> watcher = CSignalWatcher::Create(wake);
    if (!watcher) {
        CloseQuietly(wake);
        return nullptr;
    }
    return std::make_unique<CWsaPollLoop>(wake, std::move(watcher));
}
