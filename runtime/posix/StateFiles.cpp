#include "runtime/StateFiles.h"

#include "FileFailure.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

// Makes folder and those above it that are missing.
bool MakeFolders(const std::string& folder, std::string& error) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            error = FileFailure("make", part, errno);
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

// O_NOFOLLOW refuses a link at path; O_NONBLOCK keeps a planted pipe from holding the open, and the
// descriptor is then checked to be a regular file.
int OpenRegular(const std::string& path, int flags, const char* what, std::string& error) {
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kFileMode);
    if (fd < 0 && errno == ELOOP) {
        error = "cannot " + std::string(what) + " '" + path + "': a symbolic link";
        return -1;
    }
    if (fd < 0) {
        error = FileFailure(what, path, errno);
        return -1;
    }
    struct stat entry {};
    if (fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode)) {
        (void)close(fd); // Read-only or never written: nothing to lose.
        error = "cannot " + std::string(what) + " '" + path + "': not a regular file";
        return -1;
    }
    return fd;
}

bool ReadAll(int fd, std::uint64_t count, std::string& contents) {
    contents.resize(count);
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t got = read(fd, contents.data() + done, contents.size() - done);
        if (got == 0) {
            break; // Shortened since it was measured.
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        done += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    contents.resize(done);
    return true;
}

} // namespace

bool ProgramStateFolder(std::string& folder, std::string& error) {
    // The XDG base directory rules ignore a relative XDG_STATE_HOME.
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state != nullptr && state[0] == '/') {
        folder = std::string(state) + "/vantrex-config";
    } else if (home != nullptr && home[0] == '/') {
        folder = std::string(home) + "/.local/state/vantrex-config";
    } else {
        error = "cannot find the folder for this user's state: neither XDG_STATE_HOME nor HOME is set";
        return false;
    }
    return MakeFolders(folder, error);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return folder + '/' + name;
}

bool AppendToFile(const std::string& path, std::string_view bytes, bool durable, std::uint64_t& size,
                  std::string& error) {
    const int fd = OpenRegular(path, O_WRONLY | O_APPEND | O_CREAT, "append to", error);
    if (fd < 0) {
        return false;
    }
    int code = 0;
    // One write: O_APPEND places all of it at the end as one piece, whatever other writers do.
    const ssize_t wrote = write(fd, bytes.data(), bytes.size());
    if (wrote < 0) {
        code = errno;
    } else if (static_cast<std::size_t>(wrote) < bytes.size()) {
        code = ENOSPC;
        // End the piece that went, so that the next writer's line starts on a line of its own.
        (void)!write(fd, "\n", 1);
    }
    if (code == 0 && durable && fsync(fd) != 0) {
        code = errno;
    }
    struct stat entry {};
    if (code == 0 && fstat(fd, &entry) != 0) {
        code = errno;
    }
    // A failed close can be the first news of a failed write (on a network file system).
    if (close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code != 0) {
        error = FileFailure("append to", path, code);
        return false;
    }
    size = static_cast<std::uint64_t>(entry.st_size);
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& error) {
    if (rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) {
        error = FileFailure("rename", from, errno);
        return false;
    }
    return true;
}

bool ReadFileTail(const std::string& path, std::uint64_t maxBytes, std::string& contents,
                  std::string& error) {
    contents.clear();
    struct stat entry {};
    if (lstat(path.c_str(), &entry) != 0 && errno == ENOENT) {
        return true;
    }
    const int checked = OpenRegular(path, O_RDONLY, "read", error);
    if (checked < 0) {
        return false;
    }
    const auto size = fstat(checked, &entry) == 0 ? static_cast<std::uint64_t>(entry.st_size) : 0;
    const std::uint64_t start = size > maxBytes ? size - maxBytes : 0;
    const bool read = lseek(checked, static_cast<off_t>(start), SEEK_SET) >= 0 &&
                      ReadAll(checked, std::min(size, maxBytes), contents);
    const int code = errno;
    (void)close(checked); // Read-only: nothing to lose.
    if (!read) {
        error = FileFailure("read", path, code);
    }
    return read;
}
