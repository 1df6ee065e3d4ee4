#include "RestartTexts.h"

#include "resources/resource.h"

#include <cstdio>

namespace {

std::string MinutesAndSeconds(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

} // namespace

std::string ChangeQuestion(const AddressCheck& change, const ChangeNetworkCheck& check,
                           const StringLookup& strings) {
    std::string question;
    if (!change.dhcp) {
        const std::string network = NetworkName(DeviceNetworkOf(change));
        if (!check.reachable) {
            question += FillIn(strings(IDS_WARN_UNREACHABLE), {change.ip, network}) + "\n\n";
        }
        if (check.gatewayOutside) {
            question += FillIn(strings(IDS_WARN_GATEWAY_OUTSIDE), {change.gateway, network}) + "\n\n";
        }
    }
    return question + strings(IDS_REBOOT_WARNING);
}

std::string RestartingLine(const std::string& address, int secondsLeft, const StringLookup& strings) {
    return FillIn(strings(IDS_RESTARTING_AT), {address, MinutesAndSeconds(secondsLeft)});
}

std::string DeviceNowLine(const std::string& address, const StringLookup& strings) {
    return address.empty() ? strings(IDS_DEVICE_NOW_DHCP) : FillIn(strings(IDS_DEVICE_NOW_AT), {address});
}

std::string NoAnswerText(const std::string& address, const StringLookup& strings) {
    return FillIn(strings(IDS_NO_ANSWER_AT), {address});
}
