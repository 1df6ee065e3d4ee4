// The getdate reader over any text: a reading is whole, every part in its range, and its microseconds
// since 1970 are computed without overflow (UBSan watches the arithmetic).
#include "FuzzInput.h"

#include "link/DeviceAnswers.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(AsText(data, size));
    if (const auto reading = ParseGetdateAnswer(text.c_str())) {
        FuzzCheck(reading->seconds >= 0 && reading->seconds <= kDeviceSecondsLimit,
                  "seconds from 1970 to the end of year 9999");
        FuzzCheck(reading->micros >= 0 && reading->micros < 1000000, "microseconds below a second");
        const char status = reading->status;
        FuzzCheck((status >= 'A' && status <= 'Z') || (status >= 'a' && status <= 'z'),
                  "the status is a letter");
        FuzzCheck(reading->seconds * 1000000 + reading->micros >= 0, "microseconds since 1970 fit");
    }
    return 0;
}
