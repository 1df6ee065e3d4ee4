#include "LatencyRuns.h"

#include "Samples.h"

benchmark::internal::Benchmark* AsLatencyRuns(benchmark::internal::Benchmark* benchmark, int runs) {
    return benchmark->Iterations(1)
        ->Repetitions(runs)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", SampleMin)
        ->ComputeStatistics("max", SampleMax)
        ->DisplayAggregatesOnly(true);
}
