#pragma once
// One run of a plan at a time: two runs of the same plan would commission the same
// controllers at once. The lock is a file in the machine folder, named for the plan's
// canonical path and held with flock, so the system lets it go when the process ends, however
// it ends.
#include <memory>
#include <string>

namespace site {

class RunLock {
  public:
    // Taken at once or not at all: nothing with `why` (naming the process that holds it, when
    // known) when another run of the plan holds it or the lock file cannot be made.
    static std::unique_ptr<RunLock> take(const std::string& machineDir, const std::string& planPath,
                                         std::string& why);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

  private:
    explicit RunLock(int fd) : fd_(fd) {}
    int fd_;
};

// The lock file's name for a plan: its canonical path made a file name, with a hash of it so
// that paths that read alike once shortened still differ.
std::string runLockName(const std::string& planPath);

}  // namespace site
