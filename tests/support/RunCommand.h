#pragma once
// Runs a program with an argument vector (no shell) and collects its output and exit code.
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

}  // namespace testsupport
