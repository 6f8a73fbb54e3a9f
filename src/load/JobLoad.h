#pragma once
// The program load of controllers without KVXreal C, through the job loader.
#include <string>

#include "load/LoadController.h"

namespace load {

LoadOutcome RunJobLoader(program::Program& program, const std::string& directory,
                         const std::string& jobFile);

}  // namespace load
