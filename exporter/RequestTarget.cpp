#include "RequestTarget.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace {

// The query component's text with %XX and '+' decoded; nullopt when a '%' has no two hex digits.
std::optional<std::string> Decoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '+') {
            decoded += ' ';
        } else if (text[index] != '%') {
            decoded += text[index];
        } else {
            unsigned value = 0;
            const char* digits = text.data() + index + 1;
            if (index + 2 >= text.size() ||
                std::from_chars(digits, digits + 2, value, 16).ptr != digits + 2) {
                return std::nullopt;
            }
            decoded += static_cast<char>(value);
            index += 2;
        }
    }
    return decoded;
}

// The origin form within an absolute-form target: what follows the scheme and authority, "/" when
// nothing does; the target itself when it has no scheme.
std::string_view OriginForm(std::string_view target) {
    const std::size_t schemeEnd = target.find("://");
    if (schemeEnd == std::string_view::npos || target.starts_with('/')) {
        return target;
    }
    std::string scheme(target.substr(0, schemeEnd));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    if (scheme != "http" && scheme != "https") {
        return {};
    }
    const std::string_view rest = target.substr(schemeEnd + 3);
    const std::size_t pathStart = rest.find_first_of("/?");
    if (pathStart == std::string_view::npos) {
        return "/";
    }
    return rest[pathStart] == '/' ? rest.substr(pathStart) : std::string_view();
}

} // namespace

std::optional<RequestTarget> ParseRequestTarget(std::string_view given) {
    const std::string_view target = OriginForm(given);
    if (!target.starts_with('/')) {
        return std::nullopt;
    }
    RequestTarget parsed;
    const std::size_t question = target.find('?');
    parsed.path = target.substr(0, question);
    std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    while (!query.empty()) {
        const std::size_t ampersand = query.find('&');
        const std::string_view pair = query.substr(0, ampersand);
        query = ampersand == std::string_view::npos ? std::string_view() : query.substr(ampersand + 1);
        if (pair.empty()) {
            continue;
        }
        const std::size_t equals = pair.find('=');
        const std::optional<std::string> name = Decoded(pair.substr(0, equals));
        const std::optional<std::string> value =
            Decoded(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
        if (!name || !value) {
            return std::nullopt;
        }
        parsed.parameters.emplace(*name, *value);
    }
    return parsed;
}
