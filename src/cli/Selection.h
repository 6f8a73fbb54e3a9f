#pragma once
// What the by-name commands share: the revision chosen as the main window chooses it, and the
// link and controller address given on the command line.
#include <cstdint>
#include <string>

#include "cli/Session.h"

namespace cli {

struct ControllerAddress {
    int16_t pla = 0;
    int16_t ela = 0;
};

// "PLA:ELA" with PLA 1..254 and ELA 1..255, and with `local` also 255:30 (the controller at the
// other end of a direct link); UsageError otherwise.
ControllerAddress parseControllerAddress(const std::string& text, bool local);

// Form_Load, then the clicks on model row `model` and program row `programRow`, each through
// the dispatcher; UsageError for a row that does not exist or a revision without a project.
void selectRevision(app::Program& program, int model, int programRow);

// Opens "tcp:HOST:PORT" or "serial:PATH" ("serial" alone: link 0, the port of Kvxmatic.Ini) and
// makes it the current link, with the address as
// the current controller. UsageError for a malformed text; false (with the reason on stderr)
// when the link cannot be opened.
bool connectProgram(Session& session, const std::string& link, ControllerAddress address,
                    uint32_t baud = 0);

}  // namespace cli
