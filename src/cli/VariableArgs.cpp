#include "cli/VariableArgs.h"

#include <map>

#include "cli/Options.h"

namespace cli {

void addVariableOptions(CLI::App& command, VariableArgs& args) {
    addLinkOptions(command, args.link);
    command.add_option("--file", args.file, "file number, 0..65535 (241 = QSystem)")->required();
    command.add_option("--index", args.index, "index within the file")->required();
    command
        .add_option("--type", args.type,
                    "1 bool, 2 small, 3 int, 4 real, 5 text, 6 long (number or name)")
        ->required();
    command.add_option("--kind", args.kind, "addressing kind 1..5 (default 1)");
}

int32_t parseType(const std::string& text) {
    static const std::map<std::string, int32_t> names = {
        {"1", 1}, {"bool", 1}, {"2", 2}, {"small", 2}, {"3", 3}, {"int", 3},
        {"4", 4}, {"real", 4}, {"5", 5}, {"text", 5},  {"6", 6}, {"long", 6}};
    const auto it = names.find(text);
    if (it == names.end()) {
        throw UsageError{"type \"" + text +
                         "\" is not one of 1..6, bool, small, int, real, "
                         "text, long"};
    }
    return it->second;
}

kvxglib::VarRef makeVarRef(const VariableArgs& args, Address address) {
    if (args.file < 0 || args.file > 65535) {
        throw UsageError{"file " + std::to_string(args.file) + " is out of range (0..65535)"};
    }
    if (args.index < INT32_MIN || args.index > INT32_MAX) {
        throw UsageError{"index " + std::to_string(args.index) + " is out of range"};
    }
    if (args.kind < 1 || args.kind > 5) {
        throw UsageError{"kind " + std::to_string(args.kind) + " is out of range (1..5)"};
    }
    kvxglib::VarRef ref;
    ref.pla = address.pla;
    ref.ela = address.ela;
    ref.kind = args.kind;
    ref.type = parseType(args.type);
    ref.index = static_cast<int32_t>(args.index);
    ref.file = static_cast<int16_t>(static_cast<uint16_t>(args.file));
    return ref;
}

}  // namespace cli
