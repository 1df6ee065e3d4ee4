#pragma once

#include "health/DeviceRecord.h"
#include "health/Health.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a transition is about: the connection, a lamp, one health rule (problem counts only for
// Problem), the device clock's steps, or the firmware version.
struct TransitionSubject {
    enum class Topic { Connection, GpsLock, TimeSync, Problem, ClockStep, Firmware };
    Topic topic = Topic::Connection;
    ProblemCode problem = ProblemCode::Unreachable;

    auto operator<=>(const TransitionSubject&) const = default;
};

enum class TransitionKind {
    Lost,            // the connection ended by a fault, or a lamp went out
    Regained,        // the same device connected again after a fault, or a lamp lit again
    Found,           // a problem appeared
    SeverityChanged, // a problem stands at another severity
    Cleared,         // a problem went
    Stepped,         // the device clock stepped between two readings
    FirmwareSeen,    // the device's first firmware version
    FirmwareChanged, // another version than the one seen last
};

// One change of the device the window follows.
struct Transition {
    std::string address; // the device's address when it changed
    TransitionSubject subject;
    TransitionKind kind = TransitionKind::Lost;
    // How grave the state it led to is: the rule's severity for a loss, a problem or a step; OK for a
    // recovery, a cleared problem and the firmware.
    Severity severity = Severity::Ok;
    // A problem's or a step's own text (for Cleared the problem's last), the firmware version; empty
    // for the connection and the lamps.
    std::string text;
    std::string before; // the version before a FirmwareChanged
    // Seen on the first whole reading of a connection, or of the device's return after an address
    // change: what the user sees on connecting rather than news.
    bool onConnecting = false;

    friend bool operator==(const Transition&, const Transition&) = default;
};

// A transition of topic at address, not on connecting.
Transition MakeTransition(std::string address, TransitionSubject::Topic topic, TransitionKind kind,
                          Severity severity = Severity::Ok, std::string text = {});

// Whether the device completed a reading: its time (an unreadable time answer leaves none) and both
// lamps (only the time while the MAC is unassigned, when the device reports no GPS state and the peer
// table is never asked). A reading that is not whole says nothing of what is missing from it.
bool IsWholeReading(const DeviceRecord& record);

// The one observer of the window's readings: the changes of the device it follows, from which the device
// log writes its events and the alarms are raised. A change is taken only from a whole reading, a
// problem's only once every source of problems has told, and the last known states outlive a connection, so
// that a device that comes back changed says so; connecting to another device starts afresh and says nothing
// of the one before. From the moment an address change is sent until the device is back (connected at its new
// address, or known not to have restarted), it takes nothing: the device is busy restarting, and its answers
// of that time are not to be judged. Pure: the caller gives the events in their order.
class CReadingObserver {
public:
    // A link to address won the race.
    std::vector<Transition> OnConnected(const std::string& address);
    // A reading of the connected device with the health the window judged of it (the clock step
    // included); problemsPending while the time service has not answered yet.
    std::vector<Transition> OnReading(const DeviceRecord& record, const Health& health, bool problemsPending);
    // The connection ended by a fault; no news while an address change restarts the device.
    std::vector<Transition> OnConnectionLost();
    // The user ended the connection (Disconnect, Cancel, closing the window) or the window gave up
    // following the device: a loss before it is no longer a fault to recover from.
    void OnDisconnected();
    // The device was sent a new address (empty for DHCP); it is about to restart.
    void OnChangeSent(std::string newAddress);
    // The device went on answering long after the change: it has not restarted, and stays where it is.
    void OnRestartMissed();
    // The device did not answer at its new address in time: the window is disconnected.
    void OnRestartTimedOut();

    // The device followed; empty before the first connection.
    const std::string& Address() const { return m_address; }
    // Whether a connection to address reaches the device followed: at its address, or at the one it was
    // sent.
    bool Follows(const std::string& address) const;

private:
    enum class Link { Down, Up, Lost };
    struct Seen {
        Severity severity = Severity::Ok;
        std::string text;
    };

    Transition Make(TransitionSubject::Topic topic, TransitionKind kind, Severity severity = Severity::Ok,
                    std::string text = {}) const {
        return MakeTransition(m_address, topic, kind, severity, std::move(text));
    }
    void FirmwareChange(const std::string& firmware, std::vector<Transition>& transitions);
    void LampChange(TransitionSubject::Topic topic, const std::optional<bool>& lit, std::optional<bool>& last,
                    Severity rule, std::vector<Transition>& transitions) const;
    void ClockStepChange(const Health& health, std::vector<Transition>& transitions);
    void ProblemChanges(const Health& health, std::vector<Transition>& transitions);

    std::string m_address;
    std::optional<std::string> m_movingTo; // a change was sent: where the device restarts, empty for DHCP
    Link m_link = Link::Down;
    bool m_suspended = false;
    bool m_awaitingFirstWhole = true;
    bool m_awaitingFirstProblems = true;
    std::string m_firmware;
    std::optional<bool> m_gpsLocked;
    std::optional<bool> m_timeSynced;
    std::optional<double> m_step;           // the step last reported, while its problem stands
    std::map<ProblemCode, Seen> m_problems; // those that are news of their own
};
