#include "LampTips.h"

#include "resources/resource.h"

#include <algorithm>
#include <iterator>
#include <utility>

int LampOfProblem(ProblemCode code) {
    switch (code) {
    case ProblemCode::GpsUnlocked:
    case ProblemCode::PeerReach:
    case ProblemCode::PeerJitter:
    case ProblemCode::WeekRollover:
        return IDC_GPS_LAMP;
    default:
        return IDC_TIME_SYNC_LAMP;
    }
}

std::string LampAccessibleName(int lampId, int bitmapId, const StringLookup& strings) {
    constexpr std::pair<int, int> kColours[] = {
        {IDB_LAMP_GREEN, IDS_LAMP_GREEN}, {IDB_LAMP_RED, IDS_LAMP_RED}, {IDB_LAMP_GREY, IDS_LAMP_GREY}};
    const auto colour = std::ranges::find(kColours, bitmapId, &std::pair<int, int>::first);
    const std::string caption = strings(lampId == IDC_GPS_LAMP ? IDS_GPS_LOCK : IDS_TIME_SYNC);
    return FillIn(strings(IDS_LAMP_NAME),
                  {caption, colour != std::end(kColours) ? strings(colour->second) : std::string()});
}

std::string LampTip(int lampId, IndicatorState lampState, const Health& health, const StringLookup& strings) {
    std::string tip;
    for (const Problem& problem : health.problems) {
        if (LampOfProblem(problem.code) == lampId) {
            tip += (tip.empty() ? "" : "\n") + problem.text;
        }
    }
    if (tip.empty() && lampState.has_value()) {
        tip = strings(*lampState ? IDS_NO_PROBLEMS : IDS_LAMP_NOT_KNOWN);
    }
    return tip;
}
