#pragma once

#include "Connection.h"
#include "DeviceClock.h"
#include "GpsFlipSchedule.h"
#include "SimLog.h"
#include "SimOptions.h"

#include "runtime/EventLoop.h"
#include "runtime/TcpListener.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The simulated device's network side: one event loop serving the listeners and every connection, the
// log, and the restart that follows an address change. Each address has its own listeners, or, with
// --one-socket-per-port or when those would not fit the descriptor limit, one socket per port on
// 0.0.0.0 serves every address and closes connections to any other at once.
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

    // Serves until stop is set (kStopped); kFailed when a port cannot be bound at the start, which it
    // reports on stderr. Later bind failures never end it: they are reported and retried. Each time
    // gpsToggle is set (it is reset here), and each flip of --gps-flips, flips the GPS lock that getdate
    // reports on every connection.
    int Run(CSignal& stop, CSignal& gpsToggle);

private:
    using Clock = std::chrono::steady_clock;

    // An address change and where it came in: the port, and the local address the device was reached at.
    struct RestartRequest {
        unsigned short port;
        std::string reachedAt;
        AddressChange change;
    };
    // Where --follow-address takes the device once its downtime is over.
    struct Move {
        std::string from;
        std::string to;
    };
    struct Listener {
        std::string address;
        unsigned short port;
        bool telnet;
        std::unique_ptr<CTcpListener> socket{}; // none while the port cannot be bound
        bool failing = false; // its bind failure has been reported, so its recovery will be too
    };
    // A connection and the events it is watched for.
    struct Served {
        std::unique_ptr<CConnection> connection;
        std::uint32_t events = 0;
        std::uint64_t lastRound = 0; // the last round it was served in
    };
    // What a ready socket is to the server: the index of its listener or NTP socket, or its descriptor.
    enum class Watched { Listener, Ntp, Connection };
    // A socket the loop found ready: taken first, served together once the wait is over, so that a round
    // can put the clients that flood the device behind the others.
    struct Ready {
        Watched kind;
        std::uint32_t index;
        unsigned events;
    };

    // Flips the GPS lock flips times: only an odd number changes it.
    void FlipGps(int flips);
    // Watches the stop and GPS signals; false with the reason on stderr.
    bool WatchSignals(CSignal& stop, CSignal& gpsToggle);
    // Counts a GPS toggle when gpsToggle is set, and clears it for the next.
    void TakeGpsToggle(CSignal& gpsToggle);
    // Watches a socket for events, its readiness taken into the next round as kind and index.
    bool WatchReady(int fd, unsigned events, Watched kind, std::uint32_t index);
    // Serves what became ready, reordering ready as it sees fit.
    void ServeRound(std::span<Ready> ready, Clock::time_point now);
    // Whether the connection that ready is for was served in the round before this one.
    bool WasBusy(const Ready& ready) const;
    void ServeReady(int fd, unsigned events, Clock::time_point now);
    // Sends what came due on connections that wait for a time rather than for their socket.
    void ServeTimed(Clock::time_point now);
    // Watches a connection for what it waits for now, and forgets it once closed.
    void Refresh(std::unordered_map<int, Served>::iterator served, Clock::time_point now);
    // Carries out a restart requested in this round, ends a downtime that is over and retries the
    // ports that could not be bound.
    void FinishRound(Clock::time_point now);
    // Where the listeners and NTP sockets are bound: each address, or 0.0.0.0 for all.
    std::vector<std::string> ListenAddresses() const;
    // Binds every port of every address at the start; false, with the reason on stderr, when one fails.
    bool OpenListeners();
    // Binds and watches the listener at index; false with the reason in error.
    bool BindListener(std::size_t index, std::string& error);
    // Adds the listeners for the ports of address, none of them bound yet.
    void AddListenersAt(const std::string& address);
    // Listens at the addresses again once the downtime is over, moved when --follow-address asks.
    void Reopen(Clock::time_point now);
    // Moves an address to a new one only if every port can be bound there, else keeps it and says why.
    void FollowMove(const Move& move, Clock::time_point now);
    // Binds every listener not bound yet; reports a port's first failure and its recovery, and schedules
    // another attempt while any port is still missing.
    void BindMissing(Clock::time_point now);
    // Reports trouble that the device survives, on stderr and in the log.
    void Report(const std::string& text, Clock::time_point now);
    bool OpenNtpSockets();
    // Closes the bound ones among listeners and forgets them all.
    void CloseAll(std::vector<Listener>& listeners);
    // Closes every connection.
    void CloseConnections();
    void AnnounceReady();
    // Takes the connections waiting at listener, a bounded number per round.
    void AcceptOn(const Listener& listener, Clock::time_point now);
    // Whether a connection accepted on a listener for every address came to one of the device's.
    bool CameToTheDevice(int fd) const;
    void Take(std::unique_ptr<CTcpStream> stream, const Listener& listener, Clock::time_point now);
    // Closes a connection beyond the limit at once; the refusals are reported at most once a second.
    void Refuse(Clock::time_point now);
    void Serve(CConnection& connection, unsigned events, Clock::time_point now);
    void Restart(const RestartRequest& request, Clock::time_point now);
    // When the loop must wake even if no socket does: the next timed event, within a second.
    Clock::time_point NextWake(Clock::time_point now) const;

    SimOptions m_options;
    CSimLog& m_log;
    CDeviceClock m_clock;
    bool m_oneSocketPerPort;
    std::unordered_set<std::uint32_t> m_served;    // with one socket per port: the addresses now served
    std::unordered_set<std::uint32_t> m_ntpServed; // and those the NTP service serves, fixed at the start
    std::unique_ptr<CEventLoop> m_loop;
    std::vector<Ready> m_ready; // what the loop found ready in this round
    bool m_stopAsked = false;
    int m_gpsToggles = 0; // GPS toggles asked for since the last round
    std::vector<Listener> m_listeners;
    std::vector<int> m_ntpSockets;
    CNtpPath m_ntpPath;
    std::unordered_map<int, Served> m_connections; // by descriptor
    std::unordered_set<int> m_timed;               // connections with bytes held back or slowed down
    std::uint64_t m_round = 0;                     // rounds served so far
    std::size_t m_maxConnections;
    std::optional<Clock::time_point> m_reopenTime;
    std::optional<Clock::time_point> m_rebindTime;
    std::optional<RestartRequest> m_restartRequest;
    std::optional<Move> m_move;
    std::size_t m_refused = 0; // connections refused since the last report of refusals
    std::optional<Clock::time_point> m_refusalReported;
    bool m_announced = false;
    bool m_gpsFlipped = false;
    CGpsFlipSchedule m_gpsFlips;
};
