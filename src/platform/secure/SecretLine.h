#pragma once
// A password typed or piped in, read straight into a wiped buffer: no string that grows on the
// way leaves copies of it behind.
#include <istream>
#include <optional>

#include "platform/secure/Sodium.h"

namespace secure {

// One line (without its line end); nothing at the end of the input.
std::optional<Secret> readSecretLine(std::istream& in);

}  // namespace secure
