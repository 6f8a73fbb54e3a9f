#pragma once
// The settings tool's own link to the controller the program is connected to: PORT is a
// handle of the program's process, so the tool looks the link up in the machine folder's link
// registry and opens its own; PORT 0 is the serial link of Kvxmatic.Ini. Where the controller
// demands the network password, the tool asks for it itself: the registry never holds one.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/secure/Sodium.h"

namespace kvxglib {
class RealLibrary;
}

namespace settingstool {

// Asks the user for the network password of the controller at `linkName`; nothing when the
// user gives none.
using AskPassword =
    std::function<std::optional<secure::Secret>(const std::string& linkName)>;

// The handle of the tool's link (0 for the serial link), or -1 with the reason. `owner` is the
// process that passed PORT (our parent). `ask` is called only when the lent link proved the
// password or the controller answers that it requires one.
int32_t openToolLink(kvxglib::RealLibrary& library, int32_t port, long owner,
                     const AskPassword& ask, std::string& why);

}  // namespace settingstool
