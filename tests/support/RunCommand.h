#pragma once
// Runs a program with an argument vector (no shell) and collects its output and exit code.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Gives up (and kills the child) after `timeoutSeconds`.
CommandResult runCommand(const std::vector<std::string>& argv, int timeoutSeconds = 60);
// The same with `input` on the program's standard input (no more than a pipe holds).
CommandResult runCommandWithInput(const std::vector<std::string>& argv, const std::string& input,
                                  int timeoutSeconds = 60);

// A command left running, its standard output on a pipe (stderr and stdin as the test's, or
// stderr on the same pipe `withErrors`), so that a test can read it as it comes and send it
// signals.
struct Spawned {
    pid_t pid = -1;
    int out = -1;
};
Spawned spawn(const std::vector<std::string>& args, bool withErrors = false);
// What arrives on `fd` until it holds `until` or ends, within the time-out.
std::string readUntil(int fd, const std::string& until, std::chrono::seconds timeout);
// The exit code, or -1 when the child is still running after the time-out (it is killed).
int waitExit(pid_t pid, std::chrono::seconds timeout);

}  // namespace testsupport
