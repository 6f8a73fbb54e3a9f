#pragma once
// The field engineer's poll tool (poll and partitions on the program's own services, read and
// write on the general library's typed accesses):
//   krelvan-cli poll       --link L --addr PLA:ELA
//   krelvan-cli read       --link L --addr PLA:ELA --file F --index I --type T [--kind K]
//   krelvan-cli write      --link L --addr PLA:ELA --file F --index I --type T [--kind K] VALUE
//   krelvan-cli partitions [list|add|remove|toggle] --link L --addr PLA:ELA
// Instead of --link: --serial SN [--password-stdin], the controller found on the network
// (--addr then defaults to the address it reports).
// Exit 0 on success, 1 when the controller does not answer or refuses, 2 on bad arguments.
#include <CLI/CLI.hpp>

#include "cli/PartitionsCommand.h"

namespace cli {

struct Options;
void addPollCommand(CLI::App& app, Options& options);
void addReadCommand(CLI::App& app, Options& options);
void addWriteCommand(CLI::App& app, Options& options);

// Returns `partitions`, under which the partition actions of loading are added.
inline PartitionsCommand addControllerCommands(CLI::App& app, Options& options) {
    addPollCommand(app, options);
    addReadCommand(app, options);
    addWriteCommand(app, options);
    return addPartitionsCommand(app, options);
}

}  // namespace cli
