#pragma once
// krelvan-cli site run PLAN [--jobs N] [--report FILE] [--only-failed REPORT] [--no-backup]
//                           [--password-stdin] [--machine DIR] [--yes]
// Checks the plan, then commissions its controllers in parallel with progress per controller,
// writes the report (also when stopped) and exits 0 only when every row succeeded.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addSiteRunCommand(CLI::App& site, Options& options);

}  // namespace cli
