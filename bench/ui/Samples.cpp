#include "Samples.h"

#include <algorithm>
#include <cstdio>

double SampleMin(const std::vector<double>& samples) {
    return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
}

double SampleMax(const std::vector<double>& samples) {
    return samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end());
}

double SampleMedian(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 == 1 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2.0;
}

SampleSummary Summarise(const std::vector<double>& samples) {
    return {samples.size(), SampleMin(samples), SampleMedian(samples), SampleMax(samples)};
}

void PrintSummaryHeading(const char* title) {
    std::printf("\n%s\n", title);
    std::printf("  %-48s %5s %10s %10s %10s  %-4s %s\n", "figure", "runs", "min", "median", "max", "unit",
                "target");
}

void PrintSummaryRow(const char* figure, const SampleSummary& summary, const char* unit, const char* target) {
    std::printf("  %-48s %5zu %10.2f %10.2f %10.2f  %-4s %s\n", figure, summary.count, summary.min,
                summary.median, summary.max, unit, target);
}

void PrintValueHeading(const char* title) {
    std::printf("\n%s\n", title);
    std::printf("  %-48s %10s  %-4s %s\n", "figure", "value", "unit", "target");
}

void PrintValueRow(const char* figure, double value, const char* unit, const char* target) {
    std::printf("  %-48s %10.2f  %-4s %s\n", figure, value, unit, target);
}
