#pragma once

#include <windows.h>

#include <string>

// Text between the program's UTF-8 and the wide strings of the Windows API, and the system's words for
// an error code.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// The system's message for code, without its trailing period and line break: "Access is denied".
std::string SystemErrorText(DWORD code);
// "cannot WHAT 'PATH': the system's message for code", as the file functions report a failure.
std::string FileFailure(const std::string& what, const std::string& path, DWORD code);
