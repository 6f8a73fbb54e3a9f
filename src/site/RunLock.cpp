#include "site/RunLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "operations/PrivateFolder.h"

namespace site {
namespace {

constexpr size_t kMostNameChars = 120;

std::string canonical(const std::string& planPath) {
    std::error_code error;
    const auto path = std::filesystem::weakly_canonical(planPath, error);
    return error ? std::filesystem::absolute(planPath).lexically_normal().string() : path.string();
}

// The process id a holder wrote into the file; empty when there is none.
std::string holderOf(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return {};
    std::string pid(text, static_cast<size_t>(n));
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == ' ')) pid.pop_back();
    return pid.find_first_not_of("0123456789") == std::string::npos ? pid : std::string();
}

}  // namespace

std::string runLockName(const std::string& planPath) {
    const std::string path = canonical(planPath);
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : path) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::string name;
    for (unsigned char c : path)
        name += std::isalnum(c) || c == '.' || c == '-' ? static_cast<char>(c) : '_';
    // The end of the path tells plans apart best.
    if (name.size() > kMostNameChars) name = name.substr(name.size() - kMostNameChars);
    char tail[24];
    std::snprintf(tail, sizeof tail, "-%016llx.lock", static_cast<unsigned long long>(hash));
    return name + tail;
}

std::unique_ptr<RunLock> RunLock::take(const std::string& machineDir, const std::string& planPath,
                                       std::string& why) {
    const std::filesystem::path folder = std::filesystem::path(machineDir) / "site-locks";
    if (!operations::makePrivateFolder(folder.string(), "the folder of the site runs' locks", why))
        return nullptr;
    const std::string path = (folder / runLockName(planPath)).string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        why = "cannot make the lock " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    int result = 0;
    do result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            const std::string holder = holderOf(fd);
            why = "another run of " + canonical(planPath) + " is under way" +
                  (holder.empty() ? "" : " (process " + holder + ")");
        } else {
            why = "cannot lock " + path + ": " + std::strerror(error);
        }
        ::close(fd);
        return nullptr;
    }
    // Only to name the holder to a run that finds the lock taken.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
    return std::unique_ptr<RunLock>(new RunLock(fd));
}

RunLock::~RunLock() { ::close(fd_); }  // lets the lock go

}  // namespace site
