// The simulator's shell over any command lines: every answer is whole lines, and a restart only ever
// carries the values that were written before it.
#include "FuzzInput.h"

#include "sim/ShellInterpreter.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    DeviceSetting setting;
    setting.unreadableGetdate = input.variant ? 2 : 0;
    const auto clock = [] { return DeviceTime{1700000000, 250000}; };
    // The variant also flips the GPS letter, as SIGUSR1 and --gps-flips do to a running simulator.
    const bool gpsFlipped = input.variant;
    CShellInterpreter shell(setting, clock, [gpsFlipped] { return gpsFlipped; });
    ForEachLine(input.bytes, [&](std::string_view line) {
        const ShellReply reply = shell.Execute(std::string(line));
        FuzzCheck(reply.answer.empty() || reply.answer.ends_with("\r\n"), "answers are whole lines");
    });
    return 0;
}
