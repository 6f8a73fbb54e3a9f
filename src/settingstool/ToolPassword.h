#pragma once
// Where the settings tool gets the network password without a window: the first line of
// standard input (--password-stdin, for scripts), or a prompt with echo off when standard input
// is a terminal. Never from the command line, where other users see it in the process list.
#include <iosfwd>
#include <optional>
#include <string>

namespace settingstool {

// The first line of `in`, without its line end; nothing when `in` holds no line.
std::optional<std::string> passwordFromStream(std::istream& in);
// Prompts on standard error and reads standard input with echo off; nothing when standard
// input is not a terminal.
std::optional<std::string> passwordFromTerminal(const std::string& linkName);

}  // namespace settingstool
