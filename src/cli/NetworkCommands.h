#pragma once
// Finding and reaching controllers on the TCP/IP network, with the program's own operations:
//   krelvan-cli discover [--target ADDR[/MASK]] [--password-stdin] [--json]
//   krelvan-cli connect SERIAL [--password-stdin]   (prints the options later commands take)
//   krelvan-cli tcpip get|set|setup SERIAL [KEY=VALUE...] [--ask-password FIELD]...
//   krelvan-cli upgrade-port-os SERIAL [--yes] [--password-stdin]
// Passwords come from a prompt (echo off) or, with --password-stdin, from the first line of
// stdin; never from the command line.
#include <CLI/CLI.hpp>
#include <string>

#include "platform/secure/Sodium.h"

namespace app {
struct Program;
}

namespace cli {

struct Options;
void addNetworkCommands(CLI::App& app, Options& options);

// Reads the network password for --password-stdin.
secure::Secret passwordFromStdin();

struct LinkChoice;
// operations::chooseController for the serial number of `choice`, with the network password from
// stdin when it says so; LinkError with the reason when no link opens.
void connectBySerial(app::Program& program, const LinkChoice& choice);

void addTcpIpCommand(CLI::App& app, Options& options);
void addUpgradePortOsCommand(CLI::App& app, Options& options);

}  // namespace cli
