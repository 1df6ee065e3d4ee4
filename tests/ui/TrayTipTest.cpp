// The tip of the window's notification-area icon: the window's title, then the device and its state.
#include "ui/TrayTip.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

namespace {

using Phase = TrayState::Phase;

TEST(TrayTip, NamesTheDeviceAndItsState) {
    const struct {
        TrayState state;
        const char* tip;
    } cases[] = {
        {{Phase::NotConnected, "", std::nullopt, std::nullopt, 0}, "VANTREX Configuration\nNot connected"},
        {{Phase::NotConnected, "10.0.0.5", std::nullopt, std::nullopt, 0},
         "VANTREX Configuration\n10.0.0.5: Not connected"},
        {{Phase::Connecting, "10.0.0.5", std::nullopt, std::nullopt, 0},
         "VANTREX Configuration\n10.0.0.5: connecting"},
        {{Phase::Connected, "10.0.0.5", true, std::nullopt, 0},
         "VANTREX Configuration\n10.0.0.5: connected, reading the device"},
        {{Phase::Connected, "10.0.0.5", true, true, 0},
         "VANTREX Configuration\n10.0.0.5: GPS locked, time in sync"},
        {{Phase::Connected, "10.0.0.5", false, true, 2},
         "VANTREX Configuration\n10.0.0.5: GPS lock lost, problems: 2"},
        {{Phase::Connected, "10.0.0.5", true, false, 0}, "VANTREX Configuration\n10.0.0.5: Time sync lost"},
        {{Phase::Connected, "10.0.0.5", false, false, 0},
         "VANTREX Configuration\n10.0.0.5: GPS lock and time sync lost"},
        {{Phase::Lost, "10.0.0.5", std::nullopt, std::nullopt, 0},
         "VANTREX Configuration\n10.0.0.5: Connection lost"},
        {{Phase::Restarting, "10.0.0.5", std::nullopt, std::nullopt, 0},
         "VANTREX Configuration\n10.0.0.5: restarting at its new address"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayTip(c.state, [](int id) { return std::string(LoadStringResource(id)); }), c.tip);
    }
}

} // namespace
