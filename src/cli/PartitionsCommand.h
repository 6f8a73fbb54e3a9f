#pragma once
// krelvan-cli partitions [list] --link L --addr PLA:ELA, on the program's partition services.
// The link options belong to `partitions` itself; every partition action is a subcommand of
// it (`list`, the default) and finds them in `link`.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/ControllerLink.h"

namespace cli {

struct Options;

struct PartitionsCommand {
    CLI::App* command = nullptr;
    std::shared_ptr<LinkArgs> link;
};

// Adds `partitions` and `partitions list`; plain `partitions` lists.
PartitionsCommand addPartitionsCommand(CLI::App& app, Options& options);

// Adds one action under `partitions`: its options fall through to the link options, and its
// own options follow the action name.
CLI::App* addPartitionsAction(const PartitionsCommand& partitions, const std::string& name,
                              const std::string& description);

}  // namespace cli
