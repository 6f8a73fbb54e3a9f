#pragma once
// Reading the whole numbers users type into address and size boxes.
#include <cstdint>
#include <optional>
#include <string>

namespace load {

// A whole number that fits 16 bits (spaces around it and a sign allowed); nothing otherwise.
std::optional<int16_t> WholeNumber16(const std::string& text);

// A decimal number as a user types it ("2048", "1.5", " 12 "); nothing for anything else,
// an empty text included.
std::optional<double> DecimalNumber(const std::string& text);

}  // namespace load
