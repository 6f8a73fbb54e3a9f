#pragma once
// The characters a network or web password may hold, for the program's checks and the
// controller's alike. Printable ASCII without space, quotes, backquote and backslash: they
// survive every code page, settings file and command line unchanged, and nothing needs
// escaping. Empty is allowed (no password).
#include <cstddef>
#include <string_view>

namespace secure {

constexpr std::size_t kMaxPasswordLength = 64;  // the controller's password variables

bool isPasswordCharacter(char32_t c);
// True when every byte is an allowed character (bytes from 0x80 never are).
bool passwordCharactersAllowed(std::string_view text);
bool passwordCharactersAllowed(std::u16string_view text);
// Allowed characters and at most kMaxPasswordLength of them.
bool isValidPassword(std::string_view text);

}  // namespace secure
