#include "LampTips.h"

#include "resources/resource.h"

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

std::string LampTip(int lampId, IndicatorState lampState, const Health& health, const StringLookup& strings) {
    std::string tip;
    for (const Problem& problem : health.problems) {
        if (LampOfProblem(problem.code) == lampId) {
            tip += (tip.empty() ? "" : "\n") + problem.text;
        }
    }
    if (tip.empty() && lampState.has_value()) {
        tip = strings(IDS_NO_PROBLEMS);
    }
    return tip;
}
