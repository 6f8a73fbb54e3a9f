#include "support/SmallDisk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace testsupport {
namespace {

constexpr std::size_t kPage = 4096;

}  // namespace

SmallDisk::SmallDisk(const std::string& folder, std::size_t bytes) : folder_(folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("krelvan-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) ==
        0) {
        mounted_ = true;
    } else {
        why_ = "cannot mount a small disk over " + folder + ": " + std::strerror(errno);
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool SmallDisk::fill(std::size_t leave) const {
    const std::string filler = folder_ + "/.filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::vector<char> page(kPage, 'f');
    off_t size = 0;
    for (;;) {
        const ssize_t n = ::write(fd, page.data(), page.size());
        if (n <= 0) break;
        size += n;
    }
    const bool full = errno == ENOSPC;
    const off_t freed = static_cast<off_t>((leave + kPage - 1) / kPage * kPage);
    const bool left = freed <= size && ::ftruncate(fd, size - freed) == 0;
    ::close(fd);
    return full && left;
}

bool SmallDisk::makeReadOnly() const {
    return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                   nullptr) == 0;
}

}  // namespace testsupport
