#pragma once

#include "DeviceEvent.h"
#include "ReadingObserver.h"

#include "resources/StringLookup.h"

#include <cstdint>
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
        ChangeNotTaken, // the device went on answering after the change: it did not restart
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

// What the log remembers of the window's actions: the device, its connection and its address change.
struct DeviceLogState {
    std::string address; // the device followed; empty before the first connection
    bool connected = false;
    std::optional<WindowAction::AddressChange> asked;
    std::optional<std::string> movingTo; // a change was sent: where the device restarts, empty for DHCP
};

// The events of the device's transitions (CReadingObserver) at utcMicros, in their order, with their
// texts from strings.
std::vector<DeviceEvent> TransitionEvents(std::int64_t utcMicros, const std::vector<Transition>& transitions,
                                          const StringLookup& strings);

// The events of what the window did at utcMicros, with their texts from strings.
std::vector<DeviceEvent> ActionEvents(DeviceLogState& state, std::int64_t utcMicros,
                                      const WindowAction& action, const StringLookup& strings);

// Whether an event belongs to an address change: these are the audit trail, kept on disk at once.
bool IsAddressChangeEvent(const DeviceEvent& event);
