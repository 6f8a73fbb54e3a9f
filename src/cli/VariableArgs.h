#pragma once
// The variable options of read and write: file, index, type and kind, checked and turned into
// the library's variable reference.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "cli/ControllerLink.h"
#include "platform/kvxglib/VarRef.h"

namespace cli {

struct VariableArgs {
    LinkArgs link;
    int file = -1;
    int64_t index = 0;
    std::string type;  // 1..6 or bool, small, int, real, text, long
    int kind = 1;
    std::string value;  // write only
};

void addVariableOptions(CLI::App& command, VariableArgs& args);
// The data type code 1..6; throws UsageError.
int32_t parseType(const std::string& text);
// Throws UsageError for a file, index or kind out of range.
kvxglib::VarRef makeVarRef(const VariableArgs& args, Address address);

}  // namespace cli
