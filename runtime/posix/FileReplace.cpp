#include "runtime/FileReplace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kFileMode = 0644;

std::string Reason(const std::string& path, int code) {
    return "cannot write '" + path + "': " + std::strerror(code);
}

// The file to replace: path itself, or the regular file a symbolic link at path leads to when link allows.
bool ResolveTarget(const std::string& path, LinkAtPath link, std::string& target, std::string& error) {
    struct stat entry {};
    if (lstat(path.c_str(), &entry) != 0) {
        if (errno != ENOENT) {
            error = Reason(path, errno);
            return false;
        }
        // A new file; a missing folder is reported when the temporary file cannot be made there.
        target = path;
        return true;
    }
    if (S_ISREG(entry.st_mode)) {
        target = path;
        return true;
    }
    if (S_ISLNK(entry.st_mode) && link == LinkAtPath::Refuse) {
        error = "cannot write '" + path + "': a symbolic link";
        return false;
    }
    struct stat pointed {};
    if (!S_ISLNK(entry.st_mode) || stat(path.c_str(), &pointed) != 0 || !S_ISREG(pointed.st_mode)) {
        error = "cannot write '" + path + "': not a regular file";
        return false;
    }
    // The rename must land in the linked file's own folder, or it would replace the link instead.
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) {
        error = Reason(path, errno);
        return false;
    }
    target = resolved.get();
    return true;
}

bool WriteAll(int fd, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t wrote = write(fd, contents.data() + done, contents.size() - done);
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else if (wrote == 0) {
            errno = ENOSPC; // Nothing taken and no error: a full device that says so no other way.
            return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ReplaceWholeFile(const std::string& path, const std::string& contents, LinkAtPath link,
                      std::string& error) {
    std::string target;
    if (!ResolveTarget(path, link, target, error)) {
        return false;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // Hidden and without the target's extension, so that a scraper reading *.prom never sees it.
    std::string temporary = folder + '.' + name + ".XXXXXX";
    // mkostemp opens with O_CREAT|O_EXCL, which never follows a link planted at the name.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Reason(path, errno);
        return false;
    }
    int code = 0;
    if (fchmod(fd, kFileMode) != 0 || !WriteAll(fd, contents) || fsync(fd) != 0) {
        code = errno;
    }
    // A failed close can be the first news of a failed write (on a network file system).
    if (close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0 && rename(temporary.c_str(), target.c_str()) != 0) {
        code = errno;
    }
    if (code != 0) {
        (void)unlink(temporary.c_str()); // Its own failure would only hide the reason that matters.
        error = Reason(path, code);
        return false;
    }
    return true;
}
