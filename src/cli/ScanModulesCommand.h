#pragma once
// `krelvan-cli scan-modules --link L|--serial SN [--all|--local-only]`: the module search of the
// communication settings on the command line; the whole address space after the four local
// addresses as the dialog's "Search all addresses" is set (on unless turned off), or as the
// flag says. One line per module found (PLA, ELA, module type; an address two stations claim
// gets a fourth field saying so); progress on stderr when it is a terminal. Ctrl-C, a closed
// terminal or a closed output stops the scan after its current probe; what was found is
// printed all the same. Exit 0 after a whole search, 1 when the link
// does not open, 130 when stopped.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addScanModulesCommand(CLI::App& app, Options& options);

}  // namespace cli
