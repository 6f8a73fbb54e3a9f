#pragma once
// Variable names: the current module's name qualifies them, and the naming library turns the
// qualified name into the numeric reference the typed accesses use.
#include <cstdint>
#include <string>

namespace program {
struct Program;
}

namespace clink {

struct ResolvedVar {
    int32_t kind = 0;
    int32_t type = 0;
    int16_t file = 0;
    int32_t index = 0;
};

// The last name of the current module folder.
std::string CurrentModuleName(program::Program& program);

// "QSystem.PLA" looked up as "<module>.QSystem.PLA" in the open naming project; true when the
// library knows it.
bool ResolveVarName(program::Program& program, const std::string& name, ResolvedVar& var);

}  // namespace clink
