// The address check over any three texts: what it accepts is digits and dots only, and accepted again
// unchanged, so the link never formats a command from anything else.
#include "FuzzInput.h"

#include "ui/AddressValidation.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsDigitsAndDots(std::string_view text) {
    return text.find_first_not_of("0123456789.") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    std::vector<std::string_view> fields;
    ForEachLine(input.bytes, [&](std::string_view line) { fields.push_back(line); });
    fields.resize(3);
    const AddressCheck check = CheckAddressChange(input.variant, fields[0], fields[1], fields[2]);
    if (check.invalidField != AddressField::None) {
        return 0;
    }
    for (const std::string* text : {&check.ip, &check.mask, &check.gateway}) {
        FuzzCheck(!text->empty() && IsDigitsAndDots(*text), "accepted texts are digits and dots");
    }
    const AddressCheck again = CheckAddressChange(input.variant, check.ip, check.mask, check.gateway);
    FuzzCheck(again.invalidField == AddressField::None && again.ip == check.ip && again.mask == check.mask &&
                  again.gateway == check.gateway,
              "an accepted change checks to itself");
    return 0;
}
