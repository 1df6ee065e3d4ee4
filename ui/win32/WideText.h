#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <windows.h>

// The shared texts are UTF-8; Windows' wide calls take UTF-16. Invalid input becomes U+FFFD, never an error.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// Copies text into a fixed field of size characters (at least 1) and ends it with NUL: cut to fit where
// it is longer, never between the two halves of a surrogate pair.
void CopyTruncated(wchar_t* field, std::size_t size, std::wstring_view text);

// The text a window or control shows (a combo box's: its edit's), as Windows has it and in UTF-8.
std::wstring WideWindowText(HWND window);
std::string WindowText(HWND window);
