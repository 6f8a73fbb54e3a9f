#pragma once
// Small text operations: yes-texts, the numeric value of a text, and byte-level edits of the
// fixed records of module directory files (texts there are byte strings, one byte a character).
#include <cstdint>
#include <string>

namespace catalogue {

bool IsYes(const std::string& text);

// The number a text starts with: leading blanks skipped, an optional sign, digits and one
// decimal point; "&H" and "&O" read hexadecimal and octal; no digits gives 0.
double NumericValue(const std::string& text);

std::string PutByteAt(std::string text, size_t position, int value);
std::string PutByteTextAt(std::string text, size_t position, const std::string& valueText);
std::string PutWordAt(std::string text, size_t position, int value);
std::string PutOemTextAt(std::string text, size_t position, const std::string& newText);
std::string ToOem(const std::string& text);

}  // namespace catalogue
