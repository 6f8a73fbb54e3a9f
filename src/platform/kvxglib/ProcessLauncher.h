#pragma once
// Starting a process from an argument vector, without a shell and without waiting for it.
#include <string>
#include <vector>

namespace kvxglib {

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    // Starts argv[0] (looked up on PATH when it holds no "/") in `workingDirectory` (our own
    // when empty). False when the process could not be started; never waits for it to end.
    virtual bool launch(const std::vector<std::string>& argv,
                        const std::string& workingDirectory) = 0;
};

// posix_spawn, with a detached thread that reaps the child so that no zombie stays behind.
class PosixProcessLauncher final : public ProcessLauncher {
  public:
    bool launch(const std::vector<std::string>& argv, const std::string& workingDirectory) override;
};

}  // namespace kvxglib
