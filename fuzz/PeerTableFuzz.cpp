// The peer-table reader over any text, with either dialect's marker.
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    for (const DeviceDialect* dialect : {&kShellDialect, &kTelnetDialect}) {
        const IndicatorState synced = ParsePeerTable(text.c_str(), dialect->peerTableMarker);
        FuzzCheck(synced == 0 || synced == 1, "a peer table says selected or not");
    }
    return 0;
}
