#include "runtime/StateFiles.h"

#include "SystemText.h"

#include <windows.h>

#include <algorithm>

namespace {

// A handle to the regular file at path, never to a link there (FILE_FLAG_OPEN_REPARSE_POINT opens the
// link itself, which is then refused) nor to a device (NUL, CON, a pipe); INVALID_HANDLE_VALUE with
// the reason in error, and ERROR_FILE_NOT_FOUND as the last error for a missing file.
HANDLE OpenRegular(const std::string& path, DWORD access, DWORD disposition, const char* what,
                   std::string& error) {
    const HANDLE file = CreateFileW(
        WideFromUtf8(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = FileFailure(what, path, code);
        SetLastError(code); // Finding the message may have changed it.
        return file;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const DWORD notRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & notRegular) != 0) {
        CloseHandle(file);
        error = "cannot " + std::string(what) + " '" + path + "': not a regular file";
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// Holds every appender of one file in turn: an append-only handle writes at the end, but not every
// implementation places and writes as one step (Wine's does not, and lines of two writers then overlap).
// The lock is on a byte far past any end, so that it never stands in a reader's way.
class CAppendLock {
public:
    explicit CAppendLock(HANDLE file) : m_file(file) {
        m_place.Offset = 0;
        m_place.OffsetHigh = 0x40000000;
        m_locked = LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &m_place) != 0;
    }
    ~CAppendLock() {
        if (m_locked) {
            (void)UnlockFileEx(m_file, 0, 1, 0, &m_place); // Closing the handle releases it anyway.
        }
    }
    CAppendLock(const CAppendLock&) = delete;
    CAppendLock& operator=(const CAppendLock&) = delete;

private:
    HANDLE m_file;
    OVERLAPPED m_place{};
    bool m_locked = false;
};

bool ReadAll(HANDLE file, std::uint64_t count, std::string& contents) {
    contents.resize(count);
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, contents.data() + done, chunk, &got, nullptr)) {
            return false;
        }
        if (got == 0) {
            break; // Shortened since it was measured.
        }
        done += got;
    }
    contents.resize(done);
    return true;
}

} // namespace

bool ProgramStateFolder(std::string& folder, std::string& error) {
    wchar_t base[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        error = "cannot find the folder for this user's state: LOCALAPPDATA is not set";
        return false;
    }
    const std::wstring wide = std::wstring(base, length) + L"\\VANTREX";
    folder = Utf8FromWide(wide);
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = FileFailure("make", folder, GetLastError());
        return false;
    }
    return true;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return folder + '\\' + name;
}

bool AppendToFile(const std::string& path, std::string_view bytes, bool durable, std::uint64_t& size,
                  std::string& error) {
    // Append access, no other writing: each write lands at the end. Reading is what a lock needs.
    const HANDLE file = OpenRegular(path, FILE_APPEND_DATA | FILE_READ_DATA, OPEN_ALWAYS, "append to", error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD code = ERROR_SUCCESS;
    DWORD wrote = 0;
    const CAppendLock lock(file);
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr)) {
        code = GetLastError();
    } else if (wrote < bytes.size()) {
        code = ERROR_DISK_FULL;
        // End the piece that went, so that the next writer's line starts on a line of its own.
        (void)WriteFile(file, "\n", 1, &wrote, nullptr);
    }
    if (code == ERROR_SUCCESS && durable && !FlushFileBuffers(file)) {
        code = GetLastError();
    }
    LARGE_INTEGER length{};
    if (code == ERROR_SUCCESS && !GetFileSizeEx(file, &length)) {
        code = GetLastError();
    }
    if (!CloseHandle(file) && code == ERROR_SUCCESS) {
        code = GetLastError();
    }
    if (code != ERROR_SUCCESS) {
        error = FileFailure("append to", path, code);
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& error) {
    if (!MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING) &&
        GetLastError() != ERROR_FILE_NOT_FOUND) {
        error = FileFailure("rename", from, GetLastError());
        return false;
    }
    return true;
}

bool ReadFileTail(const std::string& path, std::uint64_t maxBytes, std::string& contents,
                  std::string& error) {
    contents.clear();
    const HANDLE file = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, "read", error);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    LARGE_INTEGER length{};
    bool read = GetFileSizeEx(file, &length) != 0;
    const auto size = static_cast<std::uint64_t>(length.QuadPart);
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(size > maxBytes ? size - maxBytes : 0);
    read = read && SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
           ReadAll(file, std::min(size, maxBytes), contents);
    if (!read) {
        error = FileFailure("read", path, GetLastError());
    }
    CloseHandle(file);
    return read;
}
