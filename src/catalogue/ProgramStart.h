#pragma once
// Starting external programs and documents, and splitting a command line for it.
#include <string>

#include "platform/Platform.h"

namespace catalogue {

// Returns the program part of `commandLine`; the rest, trimmed, goes to `arguments` (left as
// it was when the line has no separable arguments).
std::string SplitCommandLine(const std::string& commandLine, std::string& arguments);

int32_t RunProgram(Platform& platform, const std::string& program, std::string arguments);

}  // namespace catalogue
