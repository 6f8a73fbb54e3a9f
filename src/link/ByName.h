#pragma once
// Reading and writing controller variables by name on the current link. An unknown name, a
// kind and type the typed accesses do not cover, or a failed library call give false; nothing
// is shown to the user here.
#include <cstdint>
#include <string>

#include "link/VarValue.h"

namespace program {
struct Program;
}

namespace clink {

struct ResolvedVar;

// True when ReadVar has a typed read for this kind and type (a kind-1 text, say, has none).
bool ReadableByName(const ResolvedVar& var);

// On success `value` holds an int16_t (Booleans -1 or 0, types 2 and 3), a float (type 4), an
// int32_t (type 6) or a std::string (type 5); on failure it is left as it was.
bool ReadVar(program::Program& program, int16_t pla, int16_t ela, const std::string& name,
             VarValue& value, int32_t flags, int32_t& status);

// `value` is converted to the variable's type just before the call; ConversionError when it
// does not convert, and then nothing is sent.
bool WriteVar(program::Program& program, int16_t pla, int16_t ela, const std::string& name,
              const VarValue& value, int32_t flags, int32_t& status);

// Both variables in one request, each value converted to its variable's type first
// (ConversionError when it does not fit). Neither is written when either name is unknown.
bool WriteVars(program::Program& program, int16_t pla, int16_t ela, const std::string& firstName,
               const VarValue& firstValue, const std::string& secondName,
               const VarValue& secondValue, int32_t flags, int32_t& status);

// The module type code of the controller at that address (file 241, index 36).
bool ReadModuleType(program::Program& program, int16_t pla, int16_t ela, int16_t& value);

}  // namespace clink
