#pragma once
// The serial link that Krelvan uses as link 0: key Port and Baud of section Link in the
// machine folder's Kvxmatic.Ini, read and written by the link tool.
#include <cstdint>
#include <string>
#include <vector>

namespace linktool {

struct LinkChoice {
    std::string port;
    uint32_t baud = 0;
};

// The rates a serial link can run at, slowest first.
std::vector<uint32_t> baudRates();

// Port and Baud as they stand in the file (Baud takes the link's default when it is missing
// or not a rate); a missing file reads as an empty port.
LinkChoice readLinkChoice(const std::string& settingsFile);

// Sets both keys in one replacement of the file, every other line kept. False with `why` for
// a port or rate the link cannot take, a file that cannot be read or written; the file is then
// as it was.
bool writeLinkChoice(const std::string& settingsFile, const LinkChoice& choice, std::string& why);

}  // namespace linktool
