#include "StatusDisplay.h"

#include "TimeLines.h"

#include "resources/resource.h"

#include <utility>

namespace {

struct TimeLinePair {
    std::string utc;
    std::string local;
};

// Both lines or neither: a time that one calendar cannot show counts as no time at all.
std::optional<TimeLinePair> FormatBothLines(std::int64_t seconds, const StringLookup& strings) {
    if (seconds == 0) {
        return std::nullopt;
    }
    std::optional<std::string> utc = FormatTimeLine(seconds, CivilZone::Utc, strings);
    std::optional<std::string> local = FormatTimeLine(seconds, CivilZone::Local, strings);
    if (!utc || !local) {
        return std::nullopt;
    }
    return TimeLinePair{std::move(*utc), std::move(*local)};
}

PanelTransition PanelTransitionFor(bool timeKnown, bool panelEnabled) {
    if (timeKnown == panelEnabled) {
        return PanelTransition::None;
    }
    return timeKnown ? PanelTransition::Enable : PanelTransition::Disable;
}

std::string VersionLineFor(const std::string& firmwareVersion, const StringLookup& strings) {
    return firmwareVersion.empty() ? std::string() : FillIn(strings(IDS_FIRMWARE_VERSION), {firmwareVersion});
}

} // namespace

int LampBitmapFor(IndicatorState state) {
    if (!state.has_value()) {
        return IDB_LAMP_GREY;
    }
    return *state ? IDB_LAMP_GREEN : IDB_LAMP_RED;
}

StatusView ComputeStatusView(const StatusReading& status, bool panelEnabled, const StringLookup& strings) {
    std::optional<TimeLinePair> lines = FormatBothLines(status.deviceTime, strings);
    StatusView view;
    view.panel = PanelTransitionFor(lines.has_value(), panelEnabled);
    if (!lines) {
        view.statusLine = strings(IDS_CONNECTED_PLEASE_WAIT);
        view.localLine = std::string();
    } else if (status.macUnassigned) {
        view.statusLine = strings(IDS_MAC_NOT_ASSIGNED);
    } else {
        view.statusLine = std::move(lines->utc);
        view.localLine = std::move(lines->local);
    }
    view.timeSyncLampBitmap = LampBitmapFor(status.timeSync);
    view.gpsLampBitmap = LampBitmapFor(status.gps);
    view.versionLine = VersionLineFor(status.firmwareVersion, strings);
    return view;
}
