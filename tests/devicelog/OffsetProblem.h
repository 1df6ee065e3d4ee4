#pragma once

#include "devicelog/ReadingObserver.h"

#include <string>
#include <utility>

// A transition of the offset rule at address: the problem whose severity the tests' readings change.
inline Transition OffsetProblem(std::string address, TransitionKind kind, Severity severity,
                                std::string text) {
    Transition transition = MakeTransition(std::move(address), TransitionSubject::Topic::Problem, kind,
                                           severity, std::move(text));
    transition.subject.problem = ProblemCode::Offset;
    return transition;
}
