// The version reader over any text, with either dialect's marker.
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    for (const DeviceDialect* dialect : {&kShellDialect, &kTelnetDialect}) {
        const auto version = ParseVersionAnswer(text.c_str(), dialect->versionMarker);
        if (version) {
            FuzzCheck(version->size() <= kVersionLength, "at most 16 characters");
            FuzzCheck(version->data() >= text.data() &&
                          version->data() + version->size() <= text.data() + text.size(),
                      "the version lies inside the text");
        }
    }
    return 0;
}
