#include "StringLookup.h"

std::string FillIn(std::string pattern, std::initializer_list<std::string> values) {
    char marker[] = "%1";
    for (const std::string& value : values) {
        const std::size_t at = pattern.find(marker);
        if (at != std::string::npos) {
            pattern.replace(at, 2, value);
        }
        ++marker[1];
    }
    return pattern;
}
