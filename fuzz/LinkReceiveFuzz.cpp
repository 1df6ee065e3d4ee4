// The link's receive path: received blocks through telnet skipping and the whole dialogue, in either
// dialect, checking what the dialogue may hold and may send.
#include "FuzzInput.h"

#include "link/DeviceDialogue.h"

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

void CheckInvariants(const CDeviceDialogue& dialogue, const DeviceDialect& dialect) {
    FuzzCheck(dialogue.ReceivedText().size() < kLinkBufferSize, "the accumulator stays within its buffer");
    FuzzCheck(dialogue.ReceivedText().find('\0') == std::string_view::npos, "no NUL in the accumulator");
    FuzzCheck(IsDialogueCommand(dialogue.PendingCommand(), dialect), "only the dialogue's own commands");
    const DeviceSnapshot& snapshot = dialogue.Snapshot();
    FuzzCheck(snapshot.version.size() <= kVersionLength, "the version keeps at most 16 characters");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    const unsigned short port = input.variant ? kTelnetPort : kShellPort;
    CDeviceDialogue dialogue(port);
    const LinkInstant now{};
    dialogue.Start(now);
    dialogue.OnConnected(now);
    const DeviceDialect& dialect = DialectForPort(port);
    ForEachBlock(input, [&](std::string_view block) {
        dialogue.OnReceived(block, now);
        CheckInvariants(dialogue, dialect);
    });
    return 0;
}
