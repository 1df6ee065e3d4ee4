// The getdate reader over any text: a reading is whole and within the range the link can carry.
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    if (const auto reading = ParseGetdateAnswer(text.c_str())) {
        FuzzCheck(reading->seconds >= -kDeviceSecondsLimit && reading->seconds <= kDeviceSecondsLimit,
                  "seconds within the readable range");
        FuzzCheck(reading->status != '\0', "a reading has its status letter");
    }
    return 0;
}
