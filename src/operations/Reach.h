#pragma once
// Reaching a controller: by the text of its link, or by its serial number on the TCP/IP
// network with its network password, connected as the search dialog's OK connects it.
#include <optional>
#include <string>

#include "operations/Links.h"
#include "platform/secure/Sodium.h"

namespace app {
struct Program;
}

namespace operations {

class Session;

// Finds the controller by serial number and connects to it as the search dialog's OK does,
// with the program's network password. False with `why` when it cannot, telling a wrong
// password from a lock-out, another controller answering in its place, and one that is gone.
bool chooseController(app::Program& program, const std::string& serial, std::string& why);

struct Reach {
    std::string link;    // "tcp:HOST:PORT", "serial:PATH", "serial"; or empty and:
    std::string serial;  // the controller with this serial number, found on the network
    // With `serial`: the network password to prove (none: the program's, if any).
    std::optional<secure::Secret> password;
    uint32_t baud = 0;  // serial:PATH only; 0: Baud of Kvxmatic.Ini
};

// Opens the link to the controller `target` names and makes it the program's current link.
// False with `problem` (malformed when the text names no link).
bool reach(Session& session, const Reach& target, LinkProblem& problem);

}  // namespace operations
