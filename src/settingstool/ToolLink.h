#pragma once
// The settings tool's own link to the controller the program is connected to: PORT is a
// handle of the program's process, so the tool looks the link up in the machine folder's link
// registry and opens its own; PORT 0 is the serial link of Kvxmatic.Ini.
#include <cstdint>
#include <string>

namespace kvxglib {
class RealLibrary;
}

namespace settingstool {

// The handle of the tool's link (0 for the serial link), or -1 with the reason. `owner` is the
// process that passed PORT (our parent).
int32_t openToolLink(kvxglib::RealLibrary& library, int32_t port, long owner, std::string& why);

}  // namespace settingstool
