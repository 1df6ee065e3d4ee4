#pragma once

#include <benchmark/benchmark.h>

// Makes benchmark a series of runs single timed actions (each run sets its own time), reported in
// milliseconds as min, median, mean and max over the runs.
benchmark::internal::Benchmark* AsLatencyRuns(benchmark::internal::Benchmark* benchmark, int runs);
