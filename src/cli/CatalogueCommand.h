#pragma once
// `krelvan-cli catalogue`: the models, the programs of one model, or what one program resolves to.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addCatalogueCommand(CLI::App& app, Options& options);

}  // namespace cli
