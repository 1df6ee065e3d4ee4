#pragma once

#include "ReconnectDelay.h"
#include "ntpquery/NtpExchange.h"
#include "ntpquery/NtpHistory.h"

#include "connect/LinkRace.h"
#include "fleet/StaggeredRace.h"
#include "health/DeviceRecord.h"
#include "runtime/EventLoop.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The least time in which a healthy device is read whole, however busy this PC: it takes one command a
// second, and a reading over telnet needs five (the login, the password, the version, the date, the
// peer table) after its login prompt: 5.3 s on an idle PC, 5.8 s measured on a busy one, over the
// shell 3.1 s. Neither a device's time limit nor a run's deadline may be shorter, and a device started
// closer to the deadline than this is not at fault if it is not read by then.
inline constexpr std::chrono::milliseconds kShortestReadingLimit{8000};

// The default time for a reading: a healthy device 1 s away (a 2 s round trip) that speaks only telnet is
// read whole within it. Its shell port refuses in a round trip, or, filtered, is waited for
// kLongestPromptWait (3 s); telnet connects in a round trip (2 s), its login prompt comes a round trip and
// the start of the login program later (2.25 s), and five commands follow, each paced 1 s and answered in
// a round trip (15 s): 22.25 s. A link that delivers one byte every 20 ms takes 16 s over telnet (5 s of
// pacing and about 550 bytes). The rest is a busy PC's margin.
inline constexpr std::chrono::milliseconds kDefaultReadingLimit{30000};

// How a device is probed.
struct ProbeSettings {
    std::chrono::milliseconds timeout =
        kDefaultReadingLimit; // for a complete reading after each connect, and each NTP check
    bool ntp = true;
    unsigned short ntpPort = 123;
    unsigned short shellPort = kShellPort;
    unsigned short telnetPort = kTelnetPort;
    std::chrono::milliseconds pollPacing{0}; // between polls once read whole, when longer than the link's own
};

// Where one device stands.
enum class ProbePhase {
    Reading,  // connecting, or connected without a complete reading yet
    Complete, // connected with a complete reading
    Down,     // the attempt failed or the connection was lost; Record says why
};

// What a probe lives on: the fleet's loop, the sockets its links may hold, and the loop's NTP checks.
struct ProbeGround {
    CEventLoop& loop;
    CSocketBudget& sockets;
    CNtpExchange& ntp;
};

// One device: the staggered race of its two links and the independent NTP check, on the fleet's loop.
// It tells its owner through news that it wants a look (a link or the NTP check reported, or its time-out
// came); the owner then calls Update, on the loop's thread, outside the loop's handlers.
class CDeviceProbe {
public:
    using Clock = std::chrono::steady_clock;

    // history: the device's NTP checks before this probe, so that a device probed again and again is
    // asked at most every kShortestNtpPoll; hint: what its last race taught. ground outlives the probe.
    CDeviceProbe(const ProbeGround& ground, std::string address, std::uint32_t addressValue,
                 const ProbeSettings& settings, CNtpHistory history, std::function<void()> news,
                 LinkHint hint = {});
    ~CDeviceProbe();
    CDeviceProbe(const CDeviceProbe&) = delete;
    CDeviceProbe& operator=(const CDeviceProbe&) = delete;

    // Starts the race (and the NTP check, unless switched off). The sockets have room for a race.
    void Start(Clock::time_point now);
    // Starts a new NTP check unless one was asked less than kShortestNtpPoll ago; the last result stays
    // in the record until it ends.
    void StartNtpCheck(Clock::time_point now);
    // Stops both links.
    void Stop();
    // Takes the race's outcome and handles the time-out.
    ProbePhase Update(Clock::time_point now);
    // Ends what is unfinished, the reading and the NTP check, as timed out within limit ("the 9 s deadline").
    void Expire(const std::string& limit, Clock::time_point now);
    // Ends what is unfinished as not read: the run's deadline came before it could be, which says nothing
    // of the device.
    void GiveUp(Clock::time_point now);
    // Whether the NTP check still waits for its answer.
    bool IsNtpRunning() const { return m_ntpCheck != 0; }
    // Whether the reading has ended, complete or not, and the NTP check with it.
    bool IsFinished() const { return m_phase != ProbePhase::Reading && !IsNtpRunning(); }
    // The device as it stands at now: pending until the first attempt ends, and while a later attempt
    // runs, what the last one found; the last NTP result with its age.
    DeviceRecord Record(Clock::time_point now) const;
    // The NTP checks so far, for the next probe of the device.
    const CNtpHistory& NtpHistory() const { return m_ntpHistory; }
    // What the races so far taught, for the next probe of the device.
    const LinkHint& Hint() const { return m_race.Hint(); }
    ProbePhase Phase() const { return m_phase; }
    // The wait before the next reconnect attempt (watch mode).
    CReconnectDelay& ReconnectDelay() { return m_reconnect; }

private:
    // Acts on what the race's outcome means for the reading.
    void TakeOutcome();
    void GoDown(std::string failure, FailureKind kind = FailureKind::Device);
    // Goes down once the connected link has an answer it could not read.
    void TakeUnreadableAnswer();
    std::string TimeoutFailure(const std::string& limit) const;
    bool HasCompleteReading() const;
    std::string FailureOfBothLinks() const;
    // Ends the running NTP check, if any, with result instead of its own.
    void EndNtpCheck(const NtpResult& result, Clock::time_point now);
    void CancelTimeout();

    CEventLoop& m_loop;
    CNtpExchange& m_ntp;
    const std::string m_address;
    const std::uint32_t m_addressValue;
    const ProbeSettings m_settings;
    const std::function<void()> m_news;
    LinkTiming m_timing;
    CStaggeredRace m_race;
    ProbePhase m_phase = ProbePhase::Down;
    std::string m_failure; // of the last attempt; empty until one has ended
    FailureKind m_failureKind = FailureKind::Device;
    Clock::time_point m_deadline;
    LoopTimerId m_timeout = 0;
    NtpCheckId m_ntpCheck = 0; // 0: none running
    CNtpHistory m_ntpHistory;
    CReconnectDelay m_reconnect;
};
