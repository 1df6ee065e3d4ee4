#pragma once

#include <windows.h>

#include <string>

// Puts text on the clipboard as Unicode; false when another program holds the clipboard.
bool PutOnClipboard(HWND owner, const std::wstring& text);
