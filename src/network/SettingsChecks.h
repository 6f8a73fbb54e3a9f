#pragma once
// Checks of what the user typed into the TCP/IP settings dialog before it is stored.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kvxglib {
class Library;
}

namespace network {

// Every character may be used in a controller password, as the general library tells.
bool PasswordCharactersAllowed(kvxglib::Library& glib, const std::string& text);
// A dotted IPv4 address of four decimal parts 0..255.
bool IsDottedIpv4(const std::string& text);
// A decimal 32-bit integer (optional sign, digits only, in range).
std::optional<int32_t> DecimalInt32(const std::string& text);
// The most characters the controller keeps in the text variable `name` ("QCom.ConfDNSName");
// nothing when `text` fits, as the controller counts it (code page 850 bytes).
std::optional<std::size_t> TooLongFor(const std::string& name, const std::string& text);

}  // namespace network
