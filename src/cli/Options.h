#pragma once
// Options shared by the subcommands, and the outcome a subcommand reports.
#include <functional>
#include <string>

namespace cli {

namespace exitcode {
constexpr int Ok = 0;
constexpr int Failed = 1;  // the controller did not answer or refused
constexpr int Usage = 2;
}  // namespace exitcode

// A bad argument found after parsing (a number out of range, say): exit 2 with its text.
struct UsageError {
    std::string message;
};

struct Options {
    std::string machineDir;
    bool json = false;  // --json: results as JSON (see Output.h)
    // Set by the chosen subcommand; returns the exit code.
    std::function<int()> run;
};

}  // namespace cli
