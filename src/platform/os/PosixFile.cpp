#include "platform/os/PosixFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace os {
namespace {

bool fail(FileFailure& failure, FileFailure::Step step, int error) {
    failure.step = step;
    failure.reason = std::strerror(error);
    return false;
}

}  // namespace

PosixFile::~PosixFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::string PosixFile::readAt(uint64_t offset, size_t size) {
    std::string bytes(size, '\0');
    size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n =
            ::pread(fd_, bytes.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the end of the file, or a failure: what was read stands
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

bool PosixFile::writeAt(uint64_t offset, const std::string& bytes, FileFailure& failure) {
    if (fd_ < 0) return fail(failure, FileFailure::Step::Write, EBADF);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(failure, FileFailure::Step::Write, errno);
        done += static_cast<size_t>(n);
    }
    return true;
}

bool PosixFile::close(FileFailure& failure) {
    if (fd_ < 0) return fail(failure, FileFailure::Step::Write, EBADF);
    const int fd = fd_;
    fd_ = -1;
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(failure, FileFailure::Step::Write, error);
    }
    // Linux releases the descriptor even when close reports a failure: never retry it.
    if (::close(fd) != 0 && errno != EINTR) return fail(failure, FileFailure::Step::Write, errno);
    return true;
}

std::optional<std::string> PosixFile::readToEnd(FileFailure& failure) {
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            fail(failure, FileFailure::Step::Read, errno);
            return std::nullopt;
        }
        if (n == 0) return content;
        content.append(buffer, static_cast<size_t>(n));
    }
}

std::unique_ptr<PosixFile> openNative(const std::string& native, int flags, FileFailure& failure) {
    int fd = -1;
    do {
        fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(failure, FileFailure::Step::Open, errno);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

}  // namespace os
