#include "link/ValueConversion.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "link/Errors.h"
#include "platform/text/Text.h"

namespace clink {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A whole text as a decimal number: sign, digits with at most one point, an exponent.
double parseNumber(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    const std::string s = text.substr(begin, end - begin);
    size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
    size_t digits = 0;
    while (pos < s.size() && isDigit(s[pos])) ++pos, ++digits;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && isDigit(s[pos])) ++pos, ++digits;
    }
    if (digits > 0 && pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        size_t exponent = pos + 1;
        if (exponent < s.size() && (s[exponent] == '+' || s[exponent] == '-')) ++exponent;
        size_t exponentDigits = 0;
        while (exponent < s.size() && isDigit(s[exponent])) ++exponent, ++exponentDigits;
        if (exponentDigits > 0) pos = exponent;
    }
    if (digits == 0 || pos != s.size()) {
        throw ConversionError("\"" + text + "\" is not a number");
    }
    // from_chars, not strtod: the window's locale must not change what a number means.
    const size_t from = s[0] == '+' ? 1 : 0;
    double number = 0;
    const auto result = std::from_chars(s.data() + from, s.data() + s.size(), number);
    if (result.ec == std::errc::result_out_of_range) {
        throw ConversionError("\"" + text + "\" does not fit a number");
    }
    return number;
}

double asNumber(const VarValue& value) {
    struct Visitor {
        double operator()(std::monostate) const { return 0; }
        double operator()(bool b) const { return b ? -1 : 0; }
        double operator()(int16_t v) const { return v; }
        double operator()(int32_t v) const { return v; }
        double operator()(float v) const { return v; }
        double operator()(double v) const { return v; }
        double operator()(const std::string& s) const { return parseNumber(s); }
    };
    return std::visit(Visitor{}, value);
}

template <typename Int>
Int roundToInteger(const VarValue& value) {
    const double rounded = std::nearbyint(asNumber(value));  // the default mode: ties to even
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<Int>::max()))) {
        throw ConversionError(VarValueText(value) + " does not fit a " +
                              std::to_string(sizeof(Int) * 8) + "-bit integer");
    }
    return static_cast<Int>(rounded);
}

}  // namespace

int16_t ToInt16(const VarValue& value) { return roundToInteger<int16_t>(value); }

int32_t ToInt32(const VarValue& value) { return roundToInteger<int32_t>(value); }

float ToSingle(const VarValue& value) {
    const double number = asNumber(value);
    if (std::isnan(number) || std::fabs(number) > std::numeric_limits<float>::max()) {
        throw ConversionError(VarValueText(value) + " does not fit a real");
    }
    return static_cast<float>(number);
}

std::u16string ToText(const VarValue& value) { return text::toWide(VarValueText(value)); }

}  // namespace clink
