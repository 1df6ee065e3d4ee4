#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// A request target in origin form, split and decoded.
struct RequestTarget {
    std::string path;                                   // as sent
    std::multimap<std::string, std::string> parameters; // the query's, percent-decoded, '+' as a space
};

// "/probe?target=127.0.0.1&no_ntp=1"; nullopt for another form (absolute, "*") or a malformed
// percent-encoding.
std::optional<RequestTarget> ParseRequestTarget(std::string_view target);
