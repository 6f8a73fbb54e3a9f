#pragma once
// A file system of the test's own, a few pages of memory mounted over a folder, so that a
// write can be made to fail for want of space or on a read-only mount. Permissions cannot do
// that when the tests run as root.
#include <cstddef>
#include <string>

namespace testsupport {

class SmallDisk {
  public:
    // Mounts `bytes` (whole pages) over `folder`, made when missing. When this process may not
    // mount, `mounted()` is false and `why()` says so: the test is skipped then.
    SmallDisk(const std::string& folder, std::size_t bytes);
    ~SmallDisk();  // unmounted, with whatever is on it
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

    // Fills the disk with a file of its own until `leave` bytes (rounded up to whole pages)
    // are free. False when the disk would not fill as asked.
    bool fill(std::size_t leave = 0) const;
    // Mounted again read-only: what is on it stays, nothing more can be written.
    bool makeReadOnly() const;

  private:
    std::string folder_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace testsupport
