#include "tests/support/TemporaryFolder.h"

#include <windows.h>

#include <string>

namespace {

constexpr int kMostAttempts = 100;

std::string Utf8(const std::wstring& wide) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), text.data(), bytes, nullptr,
                        nullptr);
    return text;
}

} // namespace

// Windows has no mkdtemp: CreateDirectory refuses a name that is taken, so a new ending is tried then.
std::string MakeTemporaryFolder(const std::string& prefix) {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(static_cast<DWORD>(std::size(base)), base);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    const std::wstring start = std::wstring(base, length) + std::wstring(prefix.begin(), prefix.end()) +
                               std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const std::wstring path = start + std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            return Utf8(path);
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return {};
}
