#include "tests/support/TemporaryFolder.h"

#include "runtime/win32/SystemText.h"

#include <windows.h>

#include <string>

namespace {

constexpr int kMostAttempts = 100;

} // namespace

// Windows has no mkdtemp: CreateDirectory refuses a name that is taken, so a new ending is tried then.
std::string MakeTemporaryFolder(const std::string& prefix) {
    wchar_t base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(static_cast<DWORD>(std::size(base)), base);
    if (length == 0 || length > MAX_PATH) {
        return {};
    }
    const std::wstring start =
        std::wstring(base, length) + WideFromUtf8(prefix) + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < kMostAttempts; ++attempt) {
        const std::wstring path = start + std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            return Utf8FromWide(path);
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            return {};
        }
    }
    return {};
}
