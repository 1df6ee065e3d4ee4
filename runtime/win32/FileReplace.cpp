#include "runtime/FileReplace.h"

#include "SystemText.h"

#include <windows.h>

#include <algorithm>
#include <random>

namespace {

// Names tried for the temporary file before giving up; a clash needs another writer's same draw.
constexpr int kNameAttempts = 100;

// The file to replace: path itself, or the regular file a symbolic link at path leads to when link allows.
bool ResolveTarget(const std::string& path, LinkAtPath link, std::wstring& target, std::string& error) {
    target = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) {
            return true;
        }
        error = FileFailure("write", path, code);
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && link == LinkAtPath::Refuse) {
        error = "cannot write '" + path + "': a symbolic link";
        return false;
    }
    // Opened through any link; devices (NUL, CON, COM1) answer as something other than a disk file.
    const HANDLE file = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular = file != INVALID_HANDLE_VALUE && GetFileType(file) == FILE_TYPE_DISK &&
                         GetFileInformationByHandle(file, &information) &&
                         (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (regular && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // The rename must land on the linked file, or it would replace the link instead.
        std::wstring final(MAX_PATH, L'\0');
        DWORD length = GetFinalPathNameByHandleW(file, final.data(), MAX_PATH, FILE_NAME_NORMALIZED);
        if (length >= MAX_PATH) {
            final.resize(length);
            length = GetFinalPathNameByHandleW(file, final.data(), length, FILE_NAME_NORMALIZED);
        }
        final.resize(length < final.size() ? length : 0);
        target = final;
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!regular || target.empty()) {
        error = "cannot write '" + path + "': not a regular file";
        return false;
    }
    return true;
}

// Creates a new file of a unique name beside target; INVALID_HANDLE_VALUE with the error set if none.
HANDLE CreateTemporary(const std::wstring& target, std::wstring& temporary) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        // Hidden and without the target's extension, so that a scraper reading *.prom never sees it.
        temporary = folder + L'.' + name + L'.' + std::to_wstring(random() % 1000000000u);
        // CREATE_NEW fails on any existing name, a planted link included.
        const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(file, contents.data() + done, chunk, &wrote, nullptr)) {
            return false;
        }
        if (wrote == 0) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += wrote;
    }
    return true;
}

} // namespace

bool ReplaceWholeFile(const std::string& path, const std::string& contents, LinkAtPath link,
                      std::string& error) {
    std::wstring target;
    if (!ResolveTarget(path, link, target, error)) {
        return false;
    }
    std::wstring temporary;
    const HANDLE file = CreateTemporary(target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        error = FileFailure("write", path, GetLastError());
        return false;
    }
    DWORD code = ERROR_SUCCESS;
    if (!WriteAll(file, contents) || !FlushFileBuffers(file)) {
        code = GetLastError();
    }
    if (!CloseHandle(file) && code == ERROR_SUCCESS) {
        code = GetLastError();
    }
    if (code == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = GetLastError();
    }
    if (code != ERROR_SUCCESS) {
        (void)DeleteFileW(temporary.c_str()); // Its own failure would only hide the reason that matters.
        error = FileFailure("write", path, code);
        return false;
    }
    return true;
}
