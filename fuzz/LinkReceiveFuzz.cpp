// The link's receive path: received blocks through telnet skipping and the whole dialogue, in either
// dialect, checking what the dialogue may hold and may send.
#include "FuzzInput.h"

#include "tests/link/DialogueProbe.h"

#include "link/DeviceDialect.h"

#include <string>
#include <string_view>

namespace {

// Every command the dialogue itself may place; an address change is never requested here.
bool IsDialogueCommand(std::string_view command, const DeviceDialect& dialect) {
    for (const char* own : {kLoginCommand, kPasswordCommand, kGetdateCommand, dialect.versionCommand,
                            dialect.peerTableCommand}) {
        if (command == own) {
            return true;
        }
    }
    return command.empty();
}

void CheckInvariants(const CDialogueProbe& probe, const DeviceDialect& dialect) {
    FuzzCheck(probe.ReceivedText().size() < kLinkBufferSize, "the accumulator stays within its buffer");
    FuzzCheck(probe.ReceivedText().find('\0') == std::string_view::npos, "no NUL in the accumulator");
    const std::string pending = probe.Pending();
    FuzzCheck(pending.size() < kLinkBufferSize, "the send buffer keeps its terminator");
    FuzzCheck(IsDialogueCommand(pending, dialect), "only the dialogue's own commands");
    FuzzCheck(probe.FirmwareVersion().size() <= kVersionLength, "the version keeps at most 16 characters");
    const IndicatorState sync = probe.TimeSyncState();
    FuzzCheck(sync >= -1 && sync <= 1, "the time-sync lamp is on, off or undetermined");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    const unsigned short port = input.variant ? kTelnetPort : kShellPort;
    CDialogueProbe probe(port);
    const DeviceDialect& dialect = DialectForPort(port);
    ForEachBlock(input, [&](std::string_view block) {
        probe.FeedBlock(block);
        CheckInvariants(probe, dialect);
    });
    return 0;
}
