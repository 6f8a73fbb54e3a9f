#pragma once
// Checks of what the user typed into the TCP/IP settings dialog before it is stored.
#include <cstdint>
#include <optional>
#include <string>

namespace network {

// Every character may be used in a controller password: printable ASCII without the blank.
bool PasswordCharactersAllowed(const std::string& text);
// A dotted IPv4 address of four decimal parts 0..255.
bool IsDottedIpv4(const std::string& text);
// A decimal 32-bit integer (optional sign, digits only, in range).
std::optional<int32_t> DecimalInt32(const std::string& text);

}  // namespace network
