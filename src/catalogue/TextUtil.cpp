#include "catalogue/TextUtil.h"

#include <climits>
#include <cmath>

#include "platform/os/NativePath.h"
#include "platform/text/Text.h"

namespace catalogue {
namespace {

double radixValue(const std::string& text, size_t pos, int radix) {
    double value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0 || digit >= radix) break;
        value = value * radix + digit;
    }
    return value;
}

}  // namespace

bool IsYes(const std::string& text) { return os::equalsIgnoreCase(text, "Yes"); }

double NumericValue(const std::string& text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos + 1 < text.size() && text[pos] == '&') {
        const char prefix = text[pos + 1];
        if (prefix == 'H' || prefix == 'h') return radixValue(text, pos + 2, 16);
        if (prefix == 'O' || prefix == 'o') return radixValue(text, pos + 2, 8);
    }
    double sign = 1;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-') sign = -1;
        ++pos;
    }
    double value = 0;
    double scale = 0;  // 0 until the decimal point, then the weight of the next digit
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && scale == 0) {
            scale = 0.1;
        } else if (c >= '0' && c <= '9') {
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else {
            break;
        }
    }
    return sign * value;
}

std::string PutByteAt(std::string text, size_t position, int value) {
    if (position >= 1 && position <= text.size()) {
        text[position - 1] = static_cast<char>(static_cast<unsigned char>(value & 0xFF));
    }
    return text;
}

std::string PutByteTextAt(std::string text, size_t position, const std::string& valueText) {
    const double value = NumericValue(valueText);
    // A number no int holds has no byte to give: the record stays as it was.
    if (!(value > INT_MIN - 1.0 && value < INT_MAX + 1.0)) return text;
    return PutByteAt(std::move(text), position, static_cast<int>(value));
}

std::string PutWordAt(std::string text, size_t position, int value) {
    text = PutByteAt(std::move(text), position, value & 0xFF);
    return PutByteAt(std::move(text), position + 1, (value >> 8) & 0xFF);
}

std::string PutOemTextAt(std::string text, size_t position, const std::string& newText) {
    if (position < 1) return text;
    const std::string oem = ToOem(newText);
    for (size_t i = 0; i < oem.size() && position - 1 + i < text.size(); ++i) {
        text[position - 1 + i] = oem[i];
    }
    return text;
}

std::string ToOem(const std::string& text) { return text::toOem(text); }

}  // namespace catalogue
