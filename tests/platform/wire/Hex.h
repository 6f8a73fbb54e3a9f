#pragma once
// Bytes written the way docs/protocol.md writes them: hex pairs, spaces and '|' ignored.
#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace wiretest {

inline std::vector<uint8_t> hex(const std::string& text) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2 != 0) throw std::invalid_argument("odd hex: " + text);
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace wiretest
