#pragma once
// `krelvan-cli change-module-address`: points the selected program's module files at another
// controller address, as the Module object does.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addModuleAddressCommand(CLI::App& app, Options& options);

}  // namespace cli
