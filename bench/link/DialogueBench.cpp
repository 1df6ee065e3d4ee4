// Throughput of the device dialogue: every received byte passes through its telnet filter and prompts.
#include "link/DeviceDialogue.h"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

namespace {

// One poll cycle as the shell port sends it: the echoed command, its answer and the prompt.
std::string AnswerCycle() {
    return "getdate\r\n1700000000.123456 A\r\n# "
           "ntpq -p\r\n"
           "     remote           refid      st t when poll reach   delay   offset  jitter\r\n"
           "==============================================================================\r\n"
           "*GPS_NMEA(0)     .GPS.            0 l    9   16  377    0.000    0.012   0.004\r\n"
           " PPS(0)          .PPS.            0 l    8   16  377    0.000    0.001   0.002\r\n"
           " LOCAL(0)        .LOCL.          10 l   16   64  377    0.000    0.000   0.000\r\n# ";
}

// Feeds text to a connected dialogue in blocks of the size a receive takes, as its driver would.
void FeedRepeatedly(benchmark::State& state, const std::string& text) {
    CDeviceDialogue dialogue(kShellPort);
    const LinkInstant now = LinkInstantNow();
    dialogue.Start(now);
    dialogue.OnConnected(now);
    dialogue.OnReceived("# ", now);
    const std::string_view stream(text);
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kLinkBufferSize) {
            dialogue.OnReceived(stream.substr(at, kLinkBufferSize), now);
        }
    }
    benchmark::DoNotOptimize(dialogue.Snapshot().DeviceTimeAt(now.monotonic));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}

void BM_RealisticAnswers(benchmark::State& state) {
    std::string stream;
    for (int cycle = 0; cycle < 64; ++cycle) {
        stream += AnswerCycle();
    }
    FeedRepeatedly(state, stream);
}
BENCHMARK(BM_RealisticAnswers);

// The worst case of the prompt search: the accumulator fills and overflows without ever seeing a prompt.
void BM_NoPrompt(benchmark::State& state) {
    std::string block;
    for (int line = 0; block.size() < 64 * 1024; ++line) {
        // Spaces and hashes everywhere, but never a hash right before a space.
        block += "#x #-#_garbage line " + std::to_string(line) + " with login: and Password: a b c d\r\n";
    }
    FeedRepeatedly(state, block);
}
BENCHMARK(BM_NoPrompt);

} // namespace
