// The device log's figures: the memory of a full day of readings, the time to plan the chart of it
// into 800 pixels, the time to append an event to the journal, with and without a sync to the disk, and
// the time to read one device's events back from 5 MB of journal, as a window does on connecting.
#include "FullDay.h"
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
constexpr std::int64_t kStart = kFullDayStartMicros;
constexpr int kDaySeconds = kFullDaySeconds;

void BM_PlanFullDay(benchmark::State& state) {
    const CReadingHistory history = FullDay();
    const std::int64_t end = kStart + kDaySeconds * kSecond;
    const ChartInput input{.readings = history.Between(end - SpanMicros(ChartSpan::OneDay), end),
                           .endMicros = end,
                           .span = ChartSpan::OneDay,
                           .frame = {{0, 0, 800, 300}}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlanChart(input));
    }
    state.counters["readings"] = static_cast<double>(input.readings.size());
    state.counters["history_bytes"] = static_cast<double>(CReadingHistory::kReservedBytes);
}
BENCHMARK(BM_PlanFullDay)->Unit(benchmark::kMillisecond);

// A fresh folder of the system's temporary one, removed at the end of the benchmark.
class CBenchFolder {
public:
    CBenchFolder()
        : m_path(std::filesystem::temp_directory_path() /
                 ("vantrex-journal-bench-" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(m_path);
    }
    ~CBenchFolder() { std::filesystem::remove_all(m_path); }
    CBenchFolder(const CBenchFolder&) = delete;
    CBenchFolder& operator=(const CBenchFolder&) = delete;

    std::string Journal() const { return (m_path / "journal.jsonl").string(); }

private:
    std::filesystem::path m_path;
};

// Rotation keeps the journal small whatever the number of rounds.
void AppendEvents(benchmark::State& state, const char* code) {
    const CBenchFolder folder;
    CJournal journal(folder.Journal());
    const DeviceEvent event{kStart, "192.168.1.20", code, EventSeverity::Warning, "GPS lock lost"};
    for (auto _ : state) {
        if (journal.Append(event)) {
            state.SkipWithError("the journal cannot be written");
            break;
        }
    }
}

void BM_JournalAppend(benchmark::State& state) {
    AppendEvents(state, "gps-lock-lost");
}
BENCHMARK(BM_JournalAppend)->Unit(benchmark::kMicrosecond);

void BM_JournalAppendSynced(benchmark::State& state) {
    AppendEvents(state, "address-change-sent");
}
BENCHMARK(BM_JournalAppendSynced)->Unit(benchmark::kMicrosecond);

// 5 MB of the events of 16 devices in one file, of which the window connected to one reads back its own.
void BM_JournalReadFiveMegabytes(benchmark::State& state) {
    constexpr std::uint64_t kJournalBytes = 5 * 1024 * 1024;
    constexpr int kDevices = 16;
    const CBenchFolder folder;
    CJournal journal(folder.Journal(), JournalLimits{.rotateBytes = 2 * kJournalBytes});
    std::int64_t lines = 0;
    while (lines == 0 || std::filesystem::file_size(folder.Journal()) < kJournalBytes) {
        const std::string address = "192.168.1." + std::to_string(20 + lines % kDevices);
        if (journal.Append({kStart + lines * kSecond, address, "gps-lock-lost", EventSeverity::Critical,
                            "GPS lock lost"})) {
            state.SkipWithError("the journal cannot be written");
            return;
        }
        ++lines;
    }
    std::size_t found = 0;
    for (auto _ : state) {
        found = journal.ReadBack("192.168.1.20").events.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["journal_lines"] = static_cast<double>(lines);
    state.counters["events_read_back"] = static_cast<double>(found);
}
BENCHMARK(BM_JournalReadFiveMegabytes)->Unit(benchmark::kMillisecond);

} // namespace
