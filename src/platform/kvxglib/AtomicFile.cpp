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

// Fills the open temporary and flushes it to disk.
bool fill(int fd, const std::string& nativePath, const std::string& content) {
    struct stat old {};
    const mode_t mode = ::stat(nativePath.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    return ::ftruncate(fd, 0) == 0 && ::fchmod(fd, mode) == 0 && writeAll(fd, content) &&
           ::fsync(fd) == 0;
}

// Makes a rename into the folder durable; a failure here no longer endangers either file.
void syncFolderOf(const std::string& nativePath) {
    const int dir = ::open(folderOf(nativePath).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Removes a temporary that will not be used, keeping the errno of the failure that caused it.
void discard(int fd, const std::string& temporary) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    errno = error;
}

// Fills the open temporary, renames it over the file and makes the rename durable.
bool finish(int fd, const std::string& temporary, const std::string& nativePath,
            const std::string& content) {
    // Renamed while still open, so that a lock on the temporary holds until it is in place;
    // after fsync there is nothing left for close to report.
    if (!fill(fd, nativePath, content) || ::rename(temporary.c_str(), nativePath.c_str()) != 0) {
        discard(fd, temporary);
        return false;
    }
    ::close(fd);
    syncFolderOf(nativePath);
    return true;
}

}  // namespace

bool writeFileAtomically(const std::string& nativePath, const std::string& content) {
    std::string temporary = nativePath + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    return finish(fd, temporary, nativePath, content);
}

bool writeFilesAtomically(const std::vector<FileText>& files) {
    std::vector<std::string> temporaries;
    for (const FileText& file : files) {
        std::string temporary = file.nativePath + ".XXXXXX";
        const int fd = ::mkstemp(temporary.data());
        const bool written = fd >= 0 && fill(fd, file.nativePath, file.content);
        if (!written) {
            if (fd >= 0) discard(fd, temporary);
            for (const std::string& staged : temporaries) discard(-1, staged);
            return false;
        }
        ::close(fd);
        temporaries.push_back(std::move(temporary));
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (::rename(temporaries[i].c_str(), files[i].nativePath.c_str()) != 0) {
            for (size_t rest = i; rest < files.size(); ++rest) discard(-1, temporaries[rest]);
            return false;
        }
        syncFolderOf(files[i].nativePath);
    }
    return true;
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
