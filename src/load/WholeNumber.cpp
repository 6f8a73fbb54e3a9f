#include "load/WholeNumber.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace load {
namespace {

std::string trimmed(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

}  // namespace

std::optional<int16_t> WholeNumber16(const std::string& text) {
    const std::string t = trimmed(text);
    size_t at = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    if (at == t.size() || t.size() > 12) return std::nullopt;
    for (size_t i = at; i < t.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(t[i]))) return std::nullopt;
    }
    const long value = std::strtol(t.c_str(), nullptr, 10);
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(value);
}

std::optional<double> DecimalNumber(const std::string& text) {
    const std::string t = trimmed(text);
    if (t.empty() || t.size() > 40) return std::nullopt;
    bool digit = false;
    bool point = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else if (!((c == '+' || c == '-') && i == 0)) {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    // Independent of the locale, which the GUI sets to the user's.
    const size_t from = t[0] == '+' ? 1 : 0;
    double value = 0;
    const auto [end, error] = std::from_chars(t.data() + from, t.data() + t.size(), value);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace load
