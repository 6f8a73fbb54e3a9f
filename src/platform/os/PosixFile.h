#pragma once
// An open POSIX file descriptor: the real random-access file, and the whole-file reads and
// writes built on the same loops.
#include <optional>
#include <string>

#include "platform/os/FileSystem.h"

namespace os {

class PosixFile final : public RandomAccessFile {
  public:
    // Takes ownership of `fd`.
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    std::string readAt(uint64_t offset, size_t size) override;
    bool writeAt(uint64_t offset, const std::string& bytes, FileFailure& failure) override;
    bool close(FileFailure& failure) override;

    // Everything from the current position to the end; nothing when a read failed.
    std::optional<std::string> readToEnd(FileFailure& failure);

  private:
    int fd_;
};

// The native file `flags` opens (`::open` with mode 0666 before the umask); nothing when it
// cannot be opened.
std::unique_ptr<PosixFile> openNative(const std::string& native, int flags, FileFailure& failure);

}  // namespace os
