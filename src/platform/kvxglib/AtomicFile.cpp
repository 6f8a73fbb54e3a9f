#include "platform/kvxglib/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvxglib {
namespace {

bool writeAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Fills the open temporary, renames it over the file and makes the rename durable.
bool finish(int fd, const std::string& temporary, const std::string& nativePath,
            const std::string& content) {
    struct stat old {};
    const mode_t mode = ::stat(nativePath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::ftruncate(fd, 0) == 0 && ::fchmod(fd, mode) == 0 && writeAll(fd, content) &&
              ::fsync(fd) == 0;
    // Renamed while still open, so that a lock on the temporary holds until it is in place;
    // after fsync there is nothing left for close to report.
    if (ok) ok = ::rename(temporary.c_str(), nativePath.c_str()) == 0;
    ::close(fd);
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // A failure here no longer endangers either file.
    const int dir = ::open(folderOf(nativePath).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& nativePath, const std::string& content) {
    std::string temporary = nativePath + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    return finish(fd, temporary, nativePath, content);
}

bool writeFileAtomicallyVia(const std::string& nativePath, const std::string& temporary,
                            const std::string& content, std::string& why) {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    // The lock is taken on what the name stood for at open; a writer that renamed it away
    // meanwhile leaves us holding the settings file itself, which must not be truncated.
    struct stat held {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &held) != 0 ||
        ::lstat(temporary.c_str(), &named) != 0 || held.st_ino != named.st_ino ||
        held.st_dev != named.st_dev) {
        ::close(fd);
        why = "another program is writing " + nativePath;
        return false;
    }
    if (!finish(fd, temporary, nativePath, content)) {
        why = "cannot write " + nativePath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kvxglib
