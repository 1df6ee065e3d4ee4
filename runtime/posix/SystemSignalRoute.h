#pragma once

#include "runtime/Signal.h"

#include <initializer_list>

// Sets signal whenever one of the system signals numbers arrives. Before any other thread starts; false
// when it cannot be arranged. The signal must live until the program ends.
bool RouteSystemSignals(CSignal& signal, std::initializer_list<int> numbers);
