#pragma once
// Kept applications of older controllers: the application a load is about to stop and clear,
// read back and kept in the machine folder as backups/<serial>/<UTC time>.image (its bytes as
// the controller ran them), with <name>.signed beside it when it came signed (the head and the
// signature it was committed with). Folders 0700, files 0600, never overwritten. A failed load
// puts it back by itself; restoreImage puts one back on request.
#include <chrono>
#include <optional>
#include <string>

#include "platform/components/ApplicationImage.h"

namespace app {
struct Program;
}

namespace operations {

// Files `application` under `serial`; its path, or nothing with `why` (nothing left behind).
std::optional<std::string> keepImage(const std::string& machineDir, const std::string& serial,
                                     std::chrono::system_clock::time_point when,
                                     const components::HeldApplication& application,
                                     std::string& why);

// A kept file and its signature beside it; nothing with `why` when either cannot be read.
std::optional<components::HeldApplication> readKeptImage(const std::string& file,
                                                         std::string& why);

// Lets the program's loads of older controllers keep what runs first: under the serial number
// of a controller found on the TCP/IP network; without one (the serial link) only in memory,
// for the load's own way back. `folder` names the backup folder instead (a site row's station
// of a bus). A controller that cannot give its application back is asked about through the
// program's message boxes (OK loads all the same).
void keepImagesBeforeLoad(app::Program& program, const std::string& machineDir,
                          const std::string& folder = "");

// Puts `file` back into the older controller the program is connected to and starts it,
// reading back that it runs, once the program's message boxes were asked (OK). False with `why`,
// nothing changed when the answer was Cancel. `moved`, when given, hears what was sent.
bool restoreImage(app::Program& program, const std::string& file, std::string& why,
                  components::LoadFigures* moved = nullptr);

// The window's "Put back the kept application": the newest one kept for the connected
// controller's serial number, asked and said through the program's message boxes.
void restoreNewestImage(app::Program& program, const std::string& machineDir);

}  // namespace operations
