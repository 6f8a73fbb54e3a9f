#pragma once
// A controller's settings saved and written back on the command line, on the code the site
// run backs up with:
//   krelvan-cli settings backup  SERIAL [FILE] --model N --program M [--force]
//   krelvan-cli settings restore SERIAL [FILE] --model N --program M
// SERIAL is the controller found on the TCP/IP network (--password-stdin, or a prompt on a
// terminal, for a protected one). Without FILE, backup writes a new file into the machine
// folder's backups/SERIAL and restore takes the newest there. Exit 0 when done, 1 when the
// controller, the file or the folder failed, 2 on bad arguments.
#include <CLI/CLI.hpp>

namespace cli {

struct Options;
void addSettingsCommands(CLI::App& app, Options& options);

}  // namespace cli
