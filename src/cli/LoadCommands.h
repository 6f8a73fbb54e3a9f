#pragma once
// Loading and controller maintenance on the command line, on the window's operations:
//   krelvan-cli load           --model N --program M --link L [--partition P] [--yes] [--no-backup]
//   krelvan-cli load-web       --model N --program M --link L [--partition P] [--serial S] [--yes]
//   krelvan-cli upgrade-os     --model N --program M --link L [--yes]
//   krelvan-cli change-address --link L PLA:ELA
//   krelvan-cli reset          --link L [--yes]
//   krelvan-cli partitions add|remove|toggle --link L --addr PLA:ELA ...
// Instead of --link: --serial SN [--password-stdin], the controller found on the network.
// Exit 0 on success, 1 when the controller does not answer, refuses or the user's answer
// stopped the command, 2 on bad arguments.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addLoadCommands(CLI::App& app, Options& options);
struct PartitionsCommand;
// Adds add, remove and toggle under `partitions`, which holds the link options.
void addPartitionEditCommands(const PartitionsCommand& partitions, Options& options);

}  // namespace cli
