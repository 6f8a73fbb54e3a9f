#pragma once
// Shell completion made from the command tree itself, so that it follows every command and
// option added to krelvan-cli without being edited by hand.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

namespace cli {

// A bash completion script for `program`: the subcommands of `app` at every depth, their
// options (with those they fall through to), and what each option and positional takes.
std::string bashCompletion(const CLI::App& app, const std::string& program);

// The help's formatter: --help-all shows the options of commands at every depth (`site run`,
// `settings backup`), each under its parent's, where CLI11 alone names the deeper ones only.
// Set on the app before any command is added, so that every command shares it.
std::shared_ptr<CLI::Formatter> helpFormatter();

// Adds `--completion bash`, hidden from the help: prints bashCompletion(app, program) and ends
// the parse with CLI::Success. Add it after every command so that it sees them all.
void addCompletionOption(CLI::App& app, const std::string& program);

}  // namespace cli
