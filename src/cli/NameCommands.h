#pragma once
// `krelvan-cli read-name` and `write-name`: one controller variable by name, through the
// naming project of the selected program.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addNameCommands(CLI::App& app, Options& options);

}  // namespace cli
