#include "runtime/FileReplace.h"

#include "FileFailure.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A new file's mode; a replaced one keeps its own.
constexpr mode_t kNewFileMode = 0644;
constexpr mode_t kPermissionBits = 0777;
// As the kernel's own limit of links followed in one path.
constexpr int kLongestLinkChain = 40;

// The folder part of path with its slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Follows the links from path on to where they end, each read once, and each only when it belongs to
// this user or to root: another user who may write in a folder on the way could otherwise plant one
// that makes this program, perhaps run as root, replace a file of its choice (the rule the kernel's
// protected_symlinks keeps in sticky folders). end is the path of what the last link names, which is
// then replaced itself: a link swapped in after this look is not followed again. At most
// kLongestLinkChain links are followed.
bool FollowTrustedLinks(std::string path, std::string& end, std::string& error) {
    for (int hop = 0; hop < kLongestLinkChain; ++hop) {
        struct stat entry {};
        if (lstat(path.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) {
            end = path; // What stands there is checked by the caller.
            return true;
        }
        if (entry.st_uid != geteuid() && entry.st_uid != 0) {
            error = "a symbolic link owned by another user";
            return false;
        }
        char next[4096];
        const ssize_t length = readlink(path.c_str(), next, sizeof next - 1);
        if (length < 0) {
            error = std::strerror(errno);
            return false;
        }
        next[length] = '\0';
        path = next[0] == '/' ? std::string(next) : FolderOf(path) + next;
    }
    error = std::strerror(ELOOP);
    return false;
}

// The file to replace: path itself, or the regular file a symbolic link at path leads to when link allows;
// mode is the permission bits it has, or those of a new file.
bool ResolveTarget(const std::string& path, LinkAtPath link, std::string& target, mode_t& mode,
                   std::string& error) {
    struct stat entry {};
    mode = kNewFileMode;
    if (lstat(path.c_str(), &entry) != 0) {
        if (errno != ENOENT) {
            error = FileFailure("write", path, errno);
            return false;
        }
        // A new file; a missing folder is reported when the temporary file cannot be made there.
        target = path;
        return true;
    }
    if (S_ISREG(entry.st_mode)) {
        target = path;
        mode = entry.st_mode & kPermissionBits;
        return true;
    }
    if (S_ISLNK(entry.st_mode) && link == LinkAtPath::Refuse) {
        error = "cannot write '" + path + "': a symbolic link";
        return false;
    }
    std::string untrusted;
    if (S_ISLNK(entry.st_mode) && !FollowTrustedLinks(path, target, untrusted)) {
        error = "cannot write '" + path + "': " + untrusted;
        return false;
    }
    // The rename lands on the end of the links, in the linked file's own folder, or it would replace
    // the link instead.
    struct stat pointed {};
    if (!S_ISLNK(entry.st_mode) || lstat(target.c_str(), &pointed) != 0 || !S_ISREG(pointed.st_mode)) {
        error = "cannot write '" + path + "': not a regular file";
        return false;
    }
    mode = pointed.st_mode & kPermissionBits;
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
    mode_t mode = kNewFileMode;
    if (!ResolveTarget(path, link, target, mode, error)) {
        return false;
    }
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(folder.size());
    // Hidden and without the target's extension, so that a scraper reading *.prom never sees it.
    std::string temporary = folder + '.' + name + ".XXXXXX";
    // mkostemp opens with O_CREAT|O_EXCL, which never follows a link planted at the name.
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        error = FileFailure("write", path, errno);
        return false;
    }
    int code = 0;
    if (fchmod(fd, mode) != 0 || !WriteAll(fd, contents) || fsync(fd) != 0) {
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
        error = FileFailure("write", path, code);
        return false;
    }
    return true;
}
