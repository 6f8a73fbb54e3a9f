#pragma once
// Where the settings tool gets the network password without a window: the first line of
// standard input (--password-stdin, for scripts), or a prompt with echo off when standard input
// is a terminal. Never from the command line, where other users see it in the process list.
#include <optional>
#include <string>

#include "platform/secure/Sodium.h"

namespace settingstool {

// Prompts on standard error and reads standard input with echo off; nothing when standard
// input is not a terminal. --password-stdin reads with secure::readSecretLine.
std::optional<secure::Secret> passwordFromTerminal(const std::string& linkName);

}  // namespace settingstool
