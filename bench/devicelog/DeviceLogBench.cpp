// The device log's figures: the memory of a full day of readings, the time to plan the chart of it
// into 800 pixels, and the time to append an event to the journal, with and without a sync to the disk.
#include "devicelog/ChartPlan.h"
#include "devicelog/Journal.h"
#include "devicelog/ReadingHistory.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <string>

namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kStart = 1700000000 * kSecond;
constexpr int kDaySeconds = 86400;

// A day at one reading a second: a wandering offset, the lamps out now and then, a reconnect an hour.
CReadingHistory FullDay() {
    CReadingHistory history;
    for (int second = 0; second < kDaySeconds; ++second) {
        if (second % 3600 == 0) {
            history.MarkGap();
        }
        LogReading reading;
        reading.pcUnixMicros = kStart + second * kSecond;
        reading.hasOffset = true;
        reading.offsetSeconds = 2e-4 * std::sin(second / 500.0);
        reading.uncertaintySeconds = 4e-5f;
        reading.gps = second % 5000 < 30 ? LampState::Off : LampState::On;
        reading.timeSync = LampState::On;
        history.Add(reading);
    }
    return history;
}

void BM_PlanFullDay(benchmark::State& state) {
    const CReadingHistory history = FullDay();
    const std::int64_t end = kStart + kDaySeconds * kSecond;
    const ChartInput input{.readings = history.Between(end - SpanMicros(ChartSpan::OneDay), end),
                           .endMicros = end,
                           .span = ChartSpan::OneDay,
                           .area = {0, 0, 800, 300}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlanChart(input));
    }
    state.counters["readings"] = static_cast<double>(input.readings.size());
    state.counters["history_bytes"] = static_cast<double>(CReadingHistory::kReservedBytes);
}
BENCHMARK(BM_PlanFullDay)->Unit(benchmark::kMillisecond);

// The journal in a fresh folder of the system's temporary one, removed afterwards; rotation keeps it
// small whatever the number of rounds.
void AppendEvents(benchmark::State& state, const char* code) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("vantrex-journal-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    CJournal journal((folder / "journal.jsonl").string());
    const DeviceEvent event{kStart, "192.168.1.20", code, EventSeverity::Warning, "GPS lock lost"};
    for (auto _ : state) {
        if (journal.Append(event)) {
            state.SkipWithError("the journal cannot be written");
            break;
        }
    }
    std::filesystem::remove_all(folder);
}

void BM_JournalAppend(benchmark::State& state) {
    AppendEvents(state, "gps-lock-lost");
}
BENCHMARK(BM_JournalAppend)->Unit(benchmark::kMicrosecond);

void BM_JournalAppendSynced(benchmark::State& state) {
    AppendEvents(state, "address-change-sent");
}
BENCHMARK(BM_JournalAppendSynced)->Unit(benchmark::kMicrosecond);

} // namespace
