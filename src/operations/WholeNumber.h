#pragma once
// A whole decimal number as typed in an option or a plan: digits only, within a range.
#include <string_view>

namespace operations {

bool parseNumber(std::string_view text, long min, long max, long& out);

}  // namespace operations
