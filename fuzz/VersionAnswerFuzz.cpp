// The version reader over any text, with either dialect's marker: a version is the start of a non-empty
// line that ended, inside the text.
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"
#include "link/DeviceDialect.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    for (const DeviceDialect* dialect : {&kShellDialect, &kTelnetDialect}) {
        const auto version = ParseVersionAnswer(text.c_str(), dialect->versionMarker);
        if (version) {
            FuzzCheck(!version->empty() && version->size() <= kVersionLength, "1 to 16 characters");
            FuzzCheck(version->find_first_of("\r\n") == std::string::npos, "no line break in a version");
            const std::size_t at = static_cast<std::size_t>(version->data() - text.data());
            FuzzCheck(at <= text.size() && version->size() <= text.size() - at,
                      "the version lies inside the text");
            FuzzCheck(text.find_first_of("\r\n", at) != std::string::npos, "the version's line ended");
            // Backed off at most three bytes, a cut ends where the next byte starts a character.
            const std::size_t next = at + version->size();
            FuzzCheck((static_cast<unsigned char>(text[next]) & 0xC0) != 0x80 ||
                          version->size() + 3 == kVersionLength,
                      "a cut never splits a character");
        }
    }
    return 0;
}
