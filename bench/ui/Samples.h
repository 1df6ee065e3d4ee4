#pragma once

#include <cstddef>
#include <vector>

// The spread of one figure over several runs.
struct SampleSummary {
    std::size_t count = 0;
    double min = 0.0;
    double median = 0.0;
    double max = 0.0;
};

// Smallest sample; 0 for none. Also serves as a Google Benchmark statistic.
double SampleMin(const std::vector<double>& samples);
// Largest sample; 0 for none. Also serves as a Google Benchmark statistic.
double SampleMax(const std::vector<double>& samples);
// Middle sample, or the mean of the two middle ones for an even count; 0 for none.
double SampleMedian(std::vector<double> samples);
// Count, min, median and max of samples in any order.
SampleSummary Summarise(const std::vector<double>& samples);

// Prints a table title, then the column heads of summary rows.
void PrintSummaryHeading(const char* title);
// One summary row: runs, min, median and max of a figure, in unit, beside its target ("" for none).
void PrintSummaryRow(const char* figure, const SampleSummary& summary, const char* unit, const char* target);
// Prints a table title, then the column heads of value rows.
void PrintValueHeading(const char* title);
// One value row: a single figure, in unit, beside its target ("" for none).
void PrintValueRow(const char* figure, double value, const char* unit, const char* target);
