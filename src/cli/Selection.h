#pragma once
// What the by-name commands share: the revision chosen as the main window chooses it, and the
// link and controller address given on the command line.
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

// The row of the shown model's programs that `program` names: a row number, or the text of a
// revision that exactly one row has. UsageError naming the rows and their revisions otherwise.
int programRow(const app::Program& program, const std::string& text, int model);

// Form_Load, then the clicks on model row `model` and the program row `programText` names,
// each through the dispatcher; UsageError for a row that does not exist or a revision without a
// project.
void selectRevision(app::Program& program, int model, const std::string& programText);

// Form_Load, then the clicks on the model named `model` (in any letter case) and its revision
// `revision` by its text ("3.1-0-02"). False with `why` when the catalogue has no such one.
bool selectRevisionByText(app::Program& program, const std::string& model,
                          const std::string& revision, std::string& why);

// Selects the row of partition `number` in the partition list, as a click would; false with
// `why` when the controller lists none.
bool selectPartitionRow(app::Program& program, int number, std::string& why);

// Opens the link of `choice` and makes it current, with `address` as the current controller
// (none: the address a controller chosen by serial number reports; a link given by its text
// needs one). UsageError for a malformed choice; false (with the reason on stderr) when the link
// cannot be opened. `baud` 0: the link's own rate.
bool connectProgram(Session& session, const LinkChoice& choice,
                    std::optional<ControllerAddress> address, uint32_t baud = 0);

}  // namespace cli
