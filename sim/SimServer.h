#pragma once

#include "Connection.h"
#include "DeviceClock.h"
#include "SimLog.h"
#include "SimOptions.h"

#include <poll.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The simulated device's network side: one poll loop serving both listeners and every connection,
// the log, and the restart that follows an address change.
class CSimServer {
public:
    // Exit statuses of Run.
    static constexpr int kStopped = 0;
    static constexpr int kFailed = 2;

    // A server for options that writes to log; log must outlive it. Nothing listens before Run.
    CSimServer(const SimOptions& options, CSimLog& log);
    // Closes every listener and connection.
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Serves until stopFd becomes readable (kStopped), or until a port cannot be bound, which it
    // reports on stderr (kFailed).
    int Run(int stopFd);

private:
    using Clock = std::chrono::steady_clock;

    // An address change and where it came in: the port, and the local address the device was reached at.
    struct RestartRequest {
        unsigned short port;
        std::string reachedAt;
        AddressChange change;
    };
    struct Listener {
        int fd;
        unsigned short port;
        bool telnet;
    };
    // Index in the poll set of the first listener, the first NTP socket and the first connection.
    std::size_t ListenerSlot() const { return 1; }
    std::size_t NtpSlot() const { return 1 + m_listeners.size(); }
    std::size_t ConnectionSlot() const { return NtpSlot() + m_ntpSockets.size(); }

    std::vector<pollfd> PollSet(int stopFd, Clock::time_point now) const;
    void ServeRound(const std::vector<pollfd>& fds, Clock::time_point now);
    // Carries out a restart requested in this round and ends a downtime that is over; false when a
    // port cannot be bound again.
    bool FinishRound(Clock::time_point now);
    bool OpenListeners();
    bool OpenNtpSockets();
    void CloseListeners();
    void AnnounceReady();
    void AcceptOn(const Listener& listener, Clock::time_point now);
    void Serve(CConnection& connection, short events, Clock::time_point now);
    void Restart(const RestartRequest& request, Clock::time_point now);
    // With --follow-address: the address that took the change is replaced by the new one, or dropped
    // when the new one is not loopback.
    void MoveAddress(const std::string& from, const std::string& to);
    int PollTimeoutMs(Clock::time_point now) const;
    bool AcceptsConnections() const;

    SimOptions m_options;
    CSimLog& m_log;
    CDeviceClock m_clock;
    std::vector<Listener> m_listeners;
    std::vector<int> m_ntpSockets;
    std::vector<std::unique_ptr<CConnection>> m_connections;
    std::optional<Clock::time_point> m_reopenTime;
    std::optional<RestartRequest> m_restartRequest;
    bool m_announced = false;
};
