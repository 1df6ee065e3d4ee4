#pragma once

#include "DeviceClock.h"

#include "ntp/SntpPacket.h"

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// How the simulated time service answers, and how it lies.
struct NtpSetting {
    std::int64_t offsetMicros = 0; // served time minus the device clock
    int stratum = 1;
    int leap = 0;
    bool silent = false;                 // takes requests, never answers
    std::uint32_t kissCode = 0;          // not 0: every answer is a kiss-o'-death (stratum 0) with this code
    std::int64_t receiveShiftMicros = 0; // the receive time stamped this much later: a server that lies
    std::int64_t pathDelayMicros = 0;    // the round trip a long path adds, half each way
    int lossPercent = 0;                 // of the requests, and again of the answers, lost on the path
};

// Where a datagram came from and to which local address: where its answer goes, and from where.
struct NtpPeer {
    sockaddr_in sender{};
    std::optional<in_pktinfo> destination;
};

// The way back to the clients: answers leave at once, or, over a long path, wait in it until their time.
class CNtpPath {
public:
    using Clock = std::chrono::steady_clock;

    // Sends answer on fd to peer at due (at once when due has come).
    void Send(int fd, const SntpBytes& answer, const NtpPeer& peer, Clock::time_point due,
              Clock::time_point now);
    // Sends the answers whose time has come.
    void SendDue(Clock::time_point now);
    // When the next held answer is due; none when none waits.
    std::optional<Clock::time_point> NextDue() const;

private:
    struct Held {
        Clock::time_point due;
        int fd;
        SntpBytes answer;
        NtpPeer peer;
    };
    std::deque<Held> m_held; // in the order they are due: every answer waits as long
};

// Whether the path loses a datagram, lossPercent in a hundred at random.
bool LostOnThePath(int lossPercent);

// What the log records for each SNTP client request, as a line received on the NTP port.
inline constexpr std::string_view kNtpRequestLogText = "ntp request";

// Whether the device answers at a local address (a number in host order).
using ServesAddress = std::function<bool(std::uint32_t local)>;

// Opens a non-blocking UDP socket bound to address:port (0.0.0.0: every address); the descriptor, or -1
// with the reason in error.
int OpenNtpSocket(const std::string& address, unsigned short port, std::string& error);

// Answers every SNTP client request waiting on fd from the device clock, as setting says: received at
// the device time the request arrived, sent at the time the answer leaves, as a device that stamps its
// packets does, so that however late this loop gets to a request the client's offset holds.
// Anything that is not a 48-byte client request is dropped, and so is a request to an address that serves
// does not take; each answer leaves from the address its request was sent to, over path. Returns how many
// client requests came, answered or not.
int AnswerNtpRequests(int fd, const NtpSetting& setting, const CDeviceClock& clock,
                      const ServesAddress& serves, CNtpPath& path);
