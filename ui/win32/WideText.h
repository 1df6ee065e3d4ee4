#pragma once

#include <string>
#include <string_view>

// The shared texts are UTF-8; Windows' wide calls take UTF-16. Invalid input becomes U+FFFD, never an error.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
