#pragma once
// A value read from or written to a controller variable by name. Reads give a 16-bit integer
// (Booleans as -1 or 0 and types 2 and 3), a real, a 32-bit integer or a text; writes accept
// any of these, a Boolean or a double, converted to the variable's type just before sending.
#include <cstdint>
#include <string>
#include <variant>

namespace clink {

using VarValue = std::variant<std::monostate, bool, int16_t, int32_t, float, double, std::string>;

// The value as text, the way the command line prints it: integers in decimal, reals in the
// shortest form that reads back the same, Booleans as True or False.
std::string VarValueText(const VarValue& value);

}  // namespace clink
