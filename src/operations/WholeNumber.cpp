#include "operations/WholeNumber.h"

#include <charconv>

namespace operations {

bool parseNumber(std::string_view text, long min, long max, long& out) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace operations
