#pragma once
// A site plan checked before anything is sent:
//   krelvan-cli site check PLAN [--password-stdin] [--machine DIR] [--json]
// Prints every problem as PLAN:LINE: text. Exit 0 when the plan can run, 1 when it has
// problems, 2 on bad arguments.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
// Adds `check` under `site`.
void addSiteCheckCommand(CLI::App& site, Options& options);

}  // namespace cli
