#include "platform/secure/PasswordCharacters.h"

#include <algorithm>

namespace secure {

bool isPasswordCharacter(char32_t c) {
    if (c <= U' ' || c > U'~') return false;
    return c != U'"' && c != U'\'' && c != U'`' && c != U'\\';
}

bool passwordCharactersAllowed(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return isPasswordCharacter(static_cast<unsigned char>(c)); });
}

bool passwordCharactersAllowed(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return isPasswordCharacter(c); });
}

bool isValidPassword(std::string_view text) {
    return text.size() <= kMaxPasswordLength && passwordCharactersAllowed(text);
}

}  // namespace secure
