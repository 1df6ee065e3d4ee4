#pragma once

#include "link/DeviceLink.h"

#include <string>
#include <string_view>

// A link that is never started: the test thread plays the link thread and feeds the dialogue itself.
class CDialogueProbe : public CDeviceLink {
public:
    explicit CDialogueProbe(unsigned short port) : CDeviceLink("") {
        SetTarget("127.0.2.1", port);
        ResetRun();
    }

    // Hands text to the dialogue one character at a time, as the link thread does.
    void Feed(std::string_view text) {
        for (char c : text) {
            OnDeviceChar(c);
        }
    }
    // Hands bytes to the dialogue as one received block, telnet commands included.
    void FeedBlock(std::string_view bytes) { OnDeviceBlock(bytes.data(), static_cast<int>(bytes.size())); }
    // The pending command as a string, for comparisons.
    std::string Pending() const { return std::string(PendingCommand()); }
    // Whether a state change has been signalled since the last call; clears the signal.
    bool TakeStateChange() {
        const bool changed = StateSignal().Wait(0);
        StateSignal().Reset();
        return changed;
    }

    using CDeviceLink::IsAddressChangeRequested;
    using CDeviceLink::ReceivedText;
    using CDeviceLink::ResetRun;
    using CDeviceLink::TakeAddressChange;
};
