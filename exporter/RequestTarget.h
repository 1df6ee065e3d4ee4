#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// A request target, split and decoded.
struct RequestTarget {
    std::string path;                                   // as sent
    std::multimap<std::string, std::string> parameters; // the query's, percent-decoded, '+' as a space
};

// "/probe?target=127.0.0.1&no_ntp=1", or the same in absolute form ("http://host:port/probe?..."), whose
// authority a server takes as its own (RFC 9112 section 3.2.2); nullopt for another form ("*", an
// authority alone) or a malformed percent-encoding.
std::optional<RequestTarget> ParseRequestTarget(std::string_view target);
