#include "TrayTip.h"

#include "resources/resource.h"

namespace {

using Phase = TrayState::Phase;

// The lamps' state; a lamp not read yet leaves the device being read.
int LampsText(IndicatorState gps, IndicatorState timeSync) {
    if (!gps.has_value() || !timeSync.has_value()) {
        return IDS_TRAY_READING;
    }
    if (!*gps) {
        return *timeSync ? IDS_ALARM_GPS_LOST : IDS_TRAY_BOTH_LOST;
    }
    return *timeSync ? IDS_TRAY_WELL : IDS_ALARM_SYNC_LOST;
}

std::string StateText(const TrayState& state, const StringLookup& strings) {
    switch (state.phase) {
    case Phase::Connecting:
        return strings(IDS_TRAY_CONNECTING);
    case Phase::Lost:
        return strings(IDS_ALARM_CONNECTION_LOST);
    case Phase::Restarting:
        return strings(IDS_TRAY_RESTARTING);
    case Phase::Connected:
        break;
    case Phase::NotConnected:
        return strings(IDS_TRAY_NOT_CONNECTED);
    }
    const std::string lamps = strings(LampsText(state.gps, state.timeSync));
    return state.problems == 0 ? lamps
                               : FillIn(strings(IDS_TRAY_PROBLEMS), {lamps, std::to_string(state.problems)});
}

} // namespace

std::string TrayTip(const TrayState& state, const StringLookup& strings) {
    const std::string text = StateText(state, strings);
    return strings(IDS_WINDOW_TITLE) + '\n' +
           (state.address.empty() ? text : FillIn(strings(IDS_ALARM_DEVICE), {state.address, text}));
}
