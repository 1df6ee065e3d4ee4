#pragma once

#include "DeviceEvent.h"

#include "health/Health.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the window did, or saw happen to its connection.
struct WindowAction {
    enum class Kind {
        Connected,      // a link won the race: address and link ("shell" or "telnet")
        ConnectionLost, // ended by a fault
        Disconnected,   // ended by the user
        ChangeAsked,    // the user confirmed an address change: change
        ChangeSent,     // the change went to the device
        ChangeTimedOut, // the device did not answer at its new address in time
    };
    // The new settings of an address change; an empty address is DHCP.
    struct AddressChange {
        std::string address;
        std::string mask;
        std::string gateway;
    };

    Kind kind = Kind::Connected;
    std::string address;
    std::string link;
    AddressChange change;
};

// What the log remembers of the device between readings. Lamps, firmware and problems are the last
// known ones and outlive a connection, so that a device that comes back changed says so; they are
// forgotten when the window connects to another device.
struct DeviceLogState {
    struct Seen {
        Severity severity = Severity::Ok;
        std::string text;
    };

    std::string address; // the device followed; empty before the first connection
    bool connected = false;
    std::optional<WindowAction::AddressChange> asked;
    std::optional<std::string> movingTo; // a change was sent: where the device restarts, empty for DHCP
    std::string firmware;
    std::optional<bool> gpsLocked;
    std::optional<bool> timeSynced;
    std::optional<double> clockStep;      // the step last reported, while its problem stands
    std::map<ProblemCode, Seen> problems; // those that are news of their own
};

// The events of a reading taken at utcMicros while connected: the record as FillFromLink made it and
// the health the window judged of it (the clock step included). A reading while not connected is stale
// and makes none.
std::vector<DeviceEvent> ReadingEvents(DeviceLogState& state, std::int64_t utcMicros,
                                       const DeviceRecord& record, const Health& health);

// The events of what the window did at utcMicros.
std::vector<DeviceEvent> ActionEvents(DeviceLogState& state, std::int64_t utcMicros,
                                      const WindowAction& action);

// Whether an event belongs to an address change: these are the audit trail, kept on disk at once.
bool IsAddressChangeEvent(const DeviceEvent& event);
