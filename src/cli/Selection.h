#pragma once
// What the controller commands share: the revision chosen as the main window chooses it, and
// the link and controller address given on the command line, as usage errors where wrong.
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CommonArgs.h"
#include "cli/Session.h"

namespace cli {

struct ControllerAddress {
    int16_t pla = 0;
    int16_t ela = 0;
};

// "PLA:ELA" with PLA 1..254 and ELA 1..255, and with `local` also 255:30 (the controller at the
// other end of a direct link); UsageError otherwise.
ControllerAddress parseControllerAddress(const std::string& text, bool local);

// The row of the shown model's programs that `program` names (operations::programRow);
// UsageError naming the rows and their revisions otherwise.
int programRow(const app::Program& program, const std::string& text, int model);

// operations::selectRevision; UsageError for a row that does not exist or a revision without
// a module folder.
void selectRevision(app::Program& program, int model, const std::string& programText);

// Opens the link of `choice` and makes it current, with `address` as the current controller
// (none: the address a controller chosen by serial number reports; a link given by its text
// needs one). UsageError for a malformed choice; false (with the reason on stderr) when the link
// cannot be opened. `baud` 0: the link's own rate.
bool connectProgram(Session& session, const LinkChoice& choice,
                    std::optional<ControllerAddress> address, uint32_t baud = 0);

}  // namespace cli
